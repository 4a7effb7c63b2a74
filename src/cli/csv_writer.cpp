#include "cli/csv_writer.h"

#include "base/codepage.h"

namespace kv {

namespace {

// UTF-8 of a UTF-16 text straight into `out`, quotes doubled when `doubleQuotes`; an unpaired
// surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text, bool doubleQuotes) {
  // Room for the worst case (three bytes a code unit, or two for a doubled quote), written
  // through a pointer, then cut to what was written.
  const size_t at = out.size();
  out.resize(at + text.size() * 3);
  char* p = out.data() + at;
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp < 0x80) {
      if (doubleQuotes && cp == u'"') *p++ = '"';
      *p++ = char(cp);
    } else if (cp < 0x800) {
      *p++ = char(0xC0 | (cp >> 6));
      *p++ = char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *p++ = char(0xE0 | (cp >> 12));
      *p++ = char(0x80 | ((cp >> 6) & 0x3F));
      *p++ = char(0x80 | (cp & 0x3F));
    } else {  // a surrogate pair: two units, four bytes
      *p++ = char(0xF0 | (cp >> 18));
      *p++ = char(0x80 | ((cp >> 12) & 0x3F));
      *p++ = char(0x80 | ((cp >> 6) & 0x3F));
      *p++ = char(0x80 | (cp & 0x3F));
    }
  }
  out.resize(size_t(p - out.data()));
}

}  // namespace

bool RunsAsFormula(std::u16string_view text) {
  if (text.empty()) return false;
  const char16_t c = text.front();
  return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

void AppendCsvField(std::string& out, std::u16string_view text) {
  // The common field, plain ASCII without a quote, comma or line end, is copied as it is
  // checked; any other goes through the quoting encoder.
  const size_t at = out.size();
  out.resize(at + text.size());
  char* p = out.data() + at;
  bool plain = true;
  for (char16_t c : text) {
    if (c >= 0x80 || c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
      plain = false;
      break;
    }
    *p++ = char(c);
  }
  if (plain) return;
  out.resize(at);
  bool quote = false;
  for (char16_t c : text) quote = quote || c == u',' || c == u'"' || c == u'\r' || c == u'\n';
  if (quote) out += '"';
  AppendUtf8(out, text, quote);
  if (quote) out += '"';
}

TCsvWriter::TCsvWriter(std::ostream& out, std::vector<TColumn> columns,
                       const TWriterOptions& options)
    : TLineRowWriter(out, std::move(columns)), FGuardFormulas(options.GuardFormulas) {
  if (options.Bom) FOut << "\xEF\xBB\xBF";
  FLine.clear();
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (i) FLine += ',';
    AppendCsvField(FLine, Utf8ToUtf16(FColumns[i].Key));
  }
  FLine += "\r\n";
  FOut << FLine;
  CheckStream(FOut);
}

void TCsvWriter::WriteRow(std::span<const std::u16string> cells) {
  FLine.clear();
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (i) FLine += ',';
    if (i >= cells.size()) continue;
    if (FGuardFormulas && FColumns[i].Kind == TCellKind::ckText && RunsAsFormula(cells[i])) {
      FGuarded.assign(1, u'\'');
      FGuarded += cells[i];
      AppendCsvField(FLine, FGuarded);
    } else {
      AppendCsvField(FLine, cells[i]);
    }
  }
  FLine += "\r\n";
  EmitLine();
}

}  // namespace kv
