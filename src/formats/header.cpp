// The header parser walks the header block once, line by line, and notes where the first
// occurrence of each wanted field lies; only those values are then unfolded, cut and decoded.
// It works on views of the caller's text, so a header costs no allocation per line.
#include "formats/header.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>
#include <vector>

#include "base/codepage.h"
#include "formats/maildate.h"
#include "formats/mime_decode.h"

namespace kv {

namespace {

constexpr size_t npos = std::u16string_view::npos;

enum TField : uint8_t {
  fStatus,
  fStatus2,
  fFrom,
  fSender,
  fMessageId,
  fReturnPath,
  fReplyTo,
  fTo,
  fCc,
  fDate,
  fSubject,
  fPriority,
  fContentType,
  fTransferEncoding,
  fRevisionId,
  fDocumentId,
  fFieldCount
};

// Field names in upper case, without their colon, indexed by TField.
constexpr std::array<std::string_view, fFieldCount> kFieldNames = {"X-MOZILLA-STATUS",
                                                                   "X-MOZILLA-STATUS2",
                                                                   "FROM",
                                                                   "SENDER",
                                                                   "MESSAGE-ID",
                                                                   "RETURN-PATH",
                                                                   "REPLY-TO",
                                                                   "TO",
                                                                   "CC",
                                                                   "DATE",
                                                                   "SUBJECT",
                                                                   "X-PRIORITY",
                                                                   "CONTENT-TYPE",
                                                                   "CONTENT-TRANSFER-ENCODING",
                                                                   "X-TILVAN-REVISIONID",
                                                                   "X-TILVAN-DOCUMENTID"};

// The fields a message record takes its facts from.
constexpr bool InRecord(TField f) {
  return f == fStatus || f == fStatus2 || f == fFrom || f == fMessageId || f == fTo ||
         f == fDate || f == fSubject || f == fPriority;
}

// For each initial letter the fields whose name begins with it, ended by fFieldCount.
struct TFieldIndex {
  std::array<std::array<uint8_t, 6>, 26> ByLetter{};
  constexpr TFieldIndex() {
    for (auto& list : ByLetter) list.fill(fFieldCount);
    for (uint8_t f = 0; f < fFieldCount; ++f) {
      auto& list = ByLetter[size_t(kFieldNames[f][0] - 'A')];
      size_t n = 0;
      while (list[n] != fFieldCount) ++n;
      list[n] = f;
    }
  }
};
constexpr TFieldIndex kFieldIndex;

template <class CharT>
inline unsigned UpperAscii(CharT c) {
  const unsigned u = static_cast<std::make_unsigned_t<CharT>>(c);
  return (u >= 'a' && u <= 'z') ? u - 32 : u;
}

// The field a header line starts, or fFieldCount. The name must stand at the line's first
// character and be followed directly by its colon.
template <class CharT>
TField MatchField(const CharT* line, size_t length) {
  const unsigned first = UpperAscii(line[0]);
  if (first < 'A' || first > 'Z') return fFieldCount;
  for (uint8_t f : kFieldIndex.ByLetter[first - 'A']) {
    if (f == fFieldCount) break;
    const std::string_view name = kFieldNames[f];
    if (length <= name.size() || line[name.size()] != CharT(':')) continue;
    size_t i = 1;
    while (i < name.size() && UpperAscii(line[i]) == static_cast<unsigned char>(name[i])) ++i;
    if (i == name.size()) return TField(f);
  }
  return fFieldCount;
}

struct TSpan {
  size_t Begin = npos;  // first character after the colon
  size_t End = 0;       // end of the field's last line
  bool Folded = false;  // continuation lines follow
};

struct TBlock {
  std::array<TSpan, fFieldCount> Spans;
  bool HasLine = false;  // a non-empty line was seen
};

// The end of the line that starts at p: its CR or LF, or the end of the text.
inline const char* LineEnd(const char* p, const char* end) {
  const void* lf = std::memchr(p, '\n', size_t(end - p));
  const char* const limit = lf ? static_cast<const char*>(lf) : end;
  const void* cr = std::memchr(p, '\r', size_t(limit - p));
  return cr ? static_cast<const char*>(cr) : limit;
}
inline const char16_t* LineEnd(const char16_t* p, const char16_t* end) {
  while (p < end && *p != u'\n' && *p != u'\r') ++p;
  return p;
}

// Finds the fields of the header block: from the first non-empty line up to the first empty one.
template <class CharT>
TBlock ScanHeaderBlock(std::basic_string_view<CharT> text) {
  TBlock block;
  const CharT* const data = text.data();
  const CharT* p = data;
  const CharT* const end = data + text.size();
  int current = -1;  // the wanted field that the current line continues, if any
  while (p < end) {
    const CharT* const eol = LineEnd(p, end);
    const CharT* next = eol;
    if (next < end)
      next += (*next == CharT('\r') && next + 1 < end && next[1] == CharT('\n')) ? 2 : 1;
    if (eol == p) {  // an empty line
      if (block.HasLine) break;
      p = next;
      continue;
    }
    block.HasLine = true;
    if (*p == CharT(' ') || *p == CharT('\t')) {
      if (current >= 0) {
        block.Spans[size_t(current)].End = size_t(eol - data);
        block.Spans[size_t(current)].Folded = true;
      }
    } else {
      const TField f = MatchField(p, size_t(eol - p));
      current = -1;
      if (f != fFieldCount && block.Spans[f].Begin == npos) {
        block.Spans[f].Begin = size_t(p - data) + kFieldNames[f].size() + 1;
        block.Spans[f].End = size_t(eol - data);
        current = f;
      }
    }
    p = next;
  }
  return block;
}

template <class CharT>
bool IsAtOrBelowBlank(CharT c) {
  return static_cast<std::make_unsigned_t<CharT>>(c) <= 0x20;
}

template <class CharT>
std::basic_string_view<CharT> TrimSpan(std::basic_string_view<CharT> v) {
  size_t b = 0, e = v.size();
  while (b < e && IsAtOrBelowBlank(v[b])) ++b;
  while (e > b && IsAtOrBelowBlank(v[e - 1])) --e;
  return v.substr(b, e - b);
}

// A field's text: unfolded (line breaks removed, the blanks that begin continuation lines
// kept) and trimmed.
template <class CharT>
std::basic_string_view<CharT> UnfoldedSpan(std::basic_string_view<CharT> text, const TSpan& span,
                                           std::basic_string<CharT>& storage) {
  std::basic_string_view<CharT> raw = text.substr(span.Begin, span.End - span.Begin);
  if (span.Folded) {
    storage.clear();
    storage.reserve(raw.size());
    for (CharT c : raw)
      if (c != CharT('\r') && c != CharT('\n')) storage.push_back(c);
    raw = storage;
  }
  return TrimSpan(raw);
}

bool SameAsciiName(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(lower[i])) return false;
  return true;
}

// The charset parameter of a Content-Type value ("text/plain; format=flowed; charset="big5""),
// or empty.
std::string CharsetParameter(std::string_view value) {
  for (size_t at = value.find(';'); at != npos;) {
    const size_t next = value.find(';', at + 1);
    const std::string_view param = value.substr(at + 1, next == npos ? npos : next - at - 1);
    const size_t eq = param.find('=');
    if (eq != npos && SameAsciiName(TrimSpan(param.substr(0, eq)), "charset")) {
      std::string_view name = TrimSpan(param.substr(eq + 1));
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = TrimSpan(name.substr(1, name.size() - 2));
      return std::string(name);
    }
    at = next;
  }
  return {};
}

// Whether raw 8-bit header bytes that are not UTF-8 can be in `charset`: one that iconv knows
// and that reads the ASCII characters of field values as themselves. That leaves out UTF-8
// itself, UTF-16 and UTF-7 and the like, and the 7-bit ISO-2022 forms, which hold no such bytes.
bool HoldsRawHeaderBytes(std::string_view charset) {
  if (charset.empty() || SameAsciiName(charset, "utf-8") || SameAsciiName(charset, "utf8"))
    return false;
  for (size_t i = 0; i + 4 <= charset.size(); ++i)
    if (charset.substr(i, 4) == "2022") return false;
  // Backslash and tilde left out: Shift_JIS reads them as yen and overline.
  static constexpr std::string_view kProbe = "AZaz09 !\"#$%&'()*+,-./:;<=>?@[]^_`{|}";
  const std::optional<std::u16string> text = DecodeCharset(charset, kProbe);
  return text && *text == Cp1252ToUtf16(kProbe);
}

// Reads raw header bytes: as UTF-8 when they are valid UTF-8 with bytes above 0x7F; other 8-bit
// bytes in the charset the message's top-level Content-Type declares for its text, or through
// Windows-1252 when it declares none that can hold them. Encoded words are ASCII and keep their
// own charsets. The declared charset is looked up when first needed: most headers are ASCII.
class TRawText {
 public:
  TRawText(std::string_view text, const TSpan& contentType)
      : FText(text), FContentType(contentType) {}

  void operator()(std::string_view raw, std::u16string& out) {
    if (!HasHighBytes(raw)) {
      out.resize(raw.size());
      Cp1252ToUtf16(raw, out.data());
      return;
    }
    out = Decode(raw);
  }

 private:
  std::u16string Decode(std::string_view raw) {
    if (IsValidUtf8(raw)) return Utf8ToUtf16(raw);
    if (!FCharset) {
      FCharset.emplace();
      if (FContentType.Begin != npos) {
        std::string storage;
        std::string charset = CharsetParameter(UnfoldedSpan(FText, FContentType, storage));
        if (HoldsRawHeaderBytes(charset)) *FCharset = std::move(charset);
      }
    }
    if (!FCharset->empty())
      if (std::optional<std::u16string> text = DecodeCharset(*FCharset, raw)) return *text;
    return Cp1252ToUtf16(raw);
  }

  std::string_view FText;
  TSpan FContentType;
  std::optional<std::string> FCharset;  // empty: none usable
};

// Header text decoded already.
struct TDecodedText {
  void operator()(std::u16string_view text, std::u16string& out) const { out.assign(text); }
};

// Buffers a parse reuses from header to header, one set per thread (readers of large folders
// run on several).
struct TScratch {
  std::string Unfolded8;
  std::u16string Unfolded16, Value, Hex;
  std::basic_string<char>& Unfolded(char) { return Unfolded8; }
  std::basic_string<char16_t>& Unfolded(char16_t) { return Unfolded16; }
};
thread_local TScratch tScratch;

// The value of one field into `out`: unfolded, trimmed, and for every field but Subject cut
// before its first ";".
template <class CharT, class Reader>
void FieldValue(std::basic_string_view<CharT> text, const TSpan& span, TField field, Reader& read,
                std::u16string& out) {
  std::basic_string_view<CharT> raw = UnfoldedSpan(text, span, tScratch.Unfolded(CharT()));
  if (field != fSubject) {
    const size_t cut = raw.find(CharT(';'));
    if (cut != npos) raw = TrimSpan(raw.substr(0, cut));
  }
  read(raw, out);
}

// "X-Priority: 1 (Highest)": the integer at the start of the value counts.
uint32_t LeadingInteger(std::u16string_view value) {
  size_t n = 0;
  while (n < value.size() && value[n] > u' ' && value[n] != u'(') ++n;
  if (std::optional<int32_t> v = ParseInt32(value.substr(0, n))) return static_cast<uint32_t>(*v);
  size_t digits = 0;
  while (digits < value.size() && value[digits] >= u'0' && value[digits] <= u'9') ++digits;
  if (digits == 0) return 0;
  return static_cast<uint32_t>(ParseInt32(value.substr(0, digits)).value_or(0));
}

uint32_t HexFlags(std::u16string_view value) {
  std::u16string& text = tScratch.Hex;
  text.assign(u"$");
  text += value;
  return static_cast<uint32_t>(ParseInt32(text).value_or(0));
}

// Upper-cases the ASCII letters of `text` in place.
void AsciiUpperInPlace(std::u16string& text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
}

template <class CharT>
void FillHeader(std::basic_string_view<CharT> text, TEMLHeader& header, THeaderScope scope) {
  // Every field but Timestamp and Size starts empty; clearing keeps the strings' storage for
  // a caller that parses message after message into one record.
  for (std::u16string* s :
       {&header.Date, &header.UserName, &header.From, &header.Sender, &header.ReplyTo,
        &header.ReturnPath, &header.SendTo, &header.CC, &header.BCC, &header.Subject,
        &header.ContentTransferEncoding, &header.MessageId, &header.ContentType, &header.RevisionID,
        &header.DocumentID})
    s->clear();
  header.Priority = 0;
  header.Attachments = false;
  header.Read = false;

  const TBlock block = ScanHeaderBlock(text);
  if (!block.HasLine) return;
  header.ContentType = u"TEXT/PLAIN";
  header.ContentTransferEncoding = u"7BIT";
  auto read = [&] {
    if constexpr (std::is_same_v<CharT, char>)
      return TRawText(text, block.Spans[fContentType]);
    else
      return TDecodedText();
  }();
  std::u16string& value = tScratch.Value;
  // The value lands in its field by a swap where it is kept as it stands: both strings keep
  // their storage for the next header.
  auto keep = [&value](std::u16string& field) { field.swap(value); };
  auto keepUpper = [&keep](std::u16string& field) {
    keep(field);
    AsciiUpperInPlace(field);
  };
  for (uint8_t f = 0; f < fFieldCount; ++f) {
    const TSpan& span = block.Spans[f];
    if (span.Begin == npos) continue;
    if (scope == THeaderScope::hsRecord && !InRecord(TField(f))) continue;
    FieldValue(text, span, TField(f), read, value);
    switch (TField(f)) {
      case fStatus: header.Read = (HexFlags(value) & 0x00000001u) != 0; break;
      case fStatus2: header.Attachments = (HexFlags(value) & 0x10000000u) != 0; break;
      case fFrom: DecodeHeaderText(value, header.From); break;
      case fSender: DecodeHeaderText(value, header.Sender); break;
      case fMessageId: keep(header.MessageId); break;
      case fReturnPath: keep(header.ReturnPath); break;
      case fReplyTo: keep(header.ReplyTo); break;
      case fTo: DecodeHeaderText(value, header.SendTo); break;
      case fCc: DecodeHeaderText(value, header.CC); break;
      case fDate:
        header.Timestamp = ParseMailDate(value);
        keep(header.Date);
        break;
      case fSubject: DecodeHeaderText(value, header.Subject); break;
      case fPriority: header.Priority = LeadingInteger(value); break;
      case fContentType: keepUpper(header.ContentType); break;
      case fTransferEncoding: keepUpper(header.ContentTransferEncoding); break;
      case fRevisionId: keepUpper(header.RevisionID); break;
      case fDocumentId: keepUpper(header.DocumentID); break;
      case fFieldCount: break;
    }
  }
}

}  // namespace

std::u16string DecodeHeaderBytes(std::string_view raw) {
  TRawText read(raw, TSpan{});
  std::u16string text;
  read(raw, text);
  return DecodeHeaderText(text);
}

void ReadEMLHeader(std::string_view message, TEMLHeader& header, THeaderScope scope) {
  const TByteOrderMark mark = SniffByteOrderMark(message);
  if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
    const std::string_view rest = message.substr(ByteOrderMarkSize(mark));
    ReadEMLHeader(std::u16string_view(mark == TByteOrderMark::bomUtf16Le ? Utf16LeToUtf16(rest)
                                                                         : Utf16BeToUtf16(rest)),
                  header, scope);
    return;
  }
  if (mark == TByteOrderMark::bomUtf8) message.remove_prefix(ByteOrderMarkSize(mark));
  FillHeader(message, header, scope);
}

void ReadEMLHeader(std::u16string_view message, TEMLHeader& header, THeaderScope scope) {
  if (!message.empty() && message[0] == u'\uFEFF') message.remove_prefix(1);
  FillHeader(message, header, scope);
}

void ReadEMLHeader(const TStringList& lines, TEMLHeader& header) {
  // Only the header block is joined: leading empty lines, then up to the first empty line.
  std::u16string text;
  size_t i = 0;
  while (i < lines.size() && lines[i].empty()) ++i;
  for (; i < lines.size() && !lines[i].empty(); ++i) {
    text += lines[i];
    text += u'\n';
  }
  ReadEMLHeader(std::u16string_view(text), header);
}

}  // namespace kv
