#include "cli/jsonl_writer.h"

#include "base/codepage.h"

namespace kv {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

void AppendEscape(std::string& out, char16_t unit) {
  static const char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

// A JSON number as RFC 8259 writes it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::u16string_view t) {
  size_t i = 0;
  auto digits = [&] {
    size_t start = i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') ++i;
    return i > start;
  };
  if (i < t.size() && t[i] == u'-') ++i;
  if (i < t.size() && t[i] == u'0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < t.size() && t[i] == u'.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) ++i;
    if (!digits()) return false;
  }
  return i == t.size();
}

}  // namespace

void AppendJsonString(std::string& out, std::u16string_view text) {
  out += '"';
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    switch (c) {
      case u'"': out += "\\\""; continue;
      case u'\\': out += "\\\\"; continue;
      case u'\b': out += "\\b"; continue;
      case u'\f': out += "\\f"; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029) {
      AppendEscape(out, c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendEscape(out, c);  // unpaired: no UTF-8 form, the escape keeps it exactly
    } else {
      AppendUtf8(out, c);
    }
  }
  out += '"';
}

TJsonLinesWriter::TJsonLinesWriter(std::ostream& out, std::vector<TColumn> columns)
    : TLineRowWriter(out, std::move(columns)) {
  for (const auto& column : FColumns) {
    std::string key;
    AppendJsonString(key, Utf8ToUtf16(column.Key));
    key += ':';
    FKeys.push_back(std::move(key));
  }
}

void TJsonLinesWriter::WriteRow(std::span<const std::u16string> cells) {
  static const std::u16string kEmpty;
  FLine.clear();
  FLine += '{';
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (i) FLine += ',';
    FLine += FKeys[i];
    const std::u16string& cell = i < cells.size() ? cells[i] : kEmpty;
    switch (FColumns[i].Kind) {
      case TCellKind::ckNumber:
        if (IsJsonNumber(cell))
          for (char16_t c : cell) FLine += char(c);
        else if (cell.empty())
          FLine += "null";
        else
          AppendJsonString(FLine, cell);
        break;
      case TCellKind::ckBoolean: FLine += cell == u"true" ? "true" : "false"; break;
      case TCellKind::ckText: AppendJsonString(FLine, cell); break;
    }
  }
  FLine += "}\n";
  EmitLine();
}

}  // namespace kv
