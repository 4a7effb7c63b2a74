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
constexpr std::array<std::string_view, fFieldCount> kFieldNames = {
    "X-MOZILLA-STATUS", "X-MOZILLA-STATUS2", "FROM",         "SENDER",
    "MESSAGE-ID",       "RETURN-PATH",       "REPLY-TO",     "TO",
    "CC",               "DATE",              "SUBJECT",      "X-PRIORITY",
    "CONTENT-TYPE",     "CONTENT-TRANSFER-ENCODING",         "X-TILVAN-REVISIONID",
    "X-TILVAN-DOCUMENTID"};

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
    if (next < end) next += (*next == CharT('\r') && next + 1 < end && next[1] == CharT('\n')) ? 2 : 1;
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
  TRawText(std::string_view text, const TSpan& contentType) : FText(text), FContentType(contentType) {}

  std::u16string operator()(std::string_view raw) {
    if (!HasHighBytes(raw)) return Cp1252ToUtf16(raw);
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

 private:
  std::string_view FText;
  TSpan FContentType;
  std::optional<std::string> FCharset;  // empty: none usable
};

// Header text decoded already.
struct TDecodedText {
  std::u16string operator()(std::u16string_view text) const { return std::u16string(text); }
};

// The value of one field: unfolded, trimmed, and for every field but Subject cut before its
// first ";".
template <class CharT, class Reader>
std::u16string FieldValue(std::basic_string_view<CharT> text, const TSpan& span, TField field,
                          Reader& read) {
  std::basic_string<CharT> storage;
  std::basic_string_view<CharT> raw = UnfoldedSpan(text, span, storage);
  if (field != fSubject) {
    const size_t cut = raw.find(CharT(';'));
    if (cut != npos) raw = TrimSpan(raw.substr(0, cut));
  }
  return read(raw);
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
  std::u16string text = u"$";
  text += value;
  return static_cast<uint32_t>(ParseInt32(text).value_or(0));
}

template <class CharT>
void FillHeader(std::basic_string_view<CharT> text, TEMLHeader& header) {
  // Every field but Timestamp and Size starts empty; clearing keeps the strings' storage for
  // a caller that parses message after message into one record.
  for (std::u16string* s : {&header.Date, &header.UserName, &header.From, &header.Sender,
                            &header.ReplyTo, &header.ReturnPath, &header.SendTo, &header.CC,
                            &header.BCC, &header.Subject, &header.ContentTransferEncoding,
                            &header.MessageId, &header.ContentType, &header.RevisionID,
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
    if constexpr (std::is_same_v<CharT, char>) return TRawText(text, block.Spans[fContentType]);
    else return TDecodedText();
  }();
  for (uint8_t f = 0; f < fFieldCount; ++f) {
    const TSpan& span = block.Spans[f];
    if (span.Begin == npos) continue;
    std::u16string value = FieldValue(text, span, TField(f), read);
    switch (TField(f)) {
      case fStatus: header.Read = (HexFlags(value) & 0x00000001u) != 0; break;
      case fStatus2: header.Attachments = (HexFlags(value) & 0x10000000u) != 0; break;
      case fFrom: header.From = DecodeHeaderText(value); break;
      case fSender: header.Sender = DecodeHeaderText(value); break;
      case fMessageId: header.MessageId = std::move(value); break;
      case fReturnPath: header.ReturnPath = std::move(value); break;
      case fReplyTo: header.ReplyTo = std::move(value); break;
      case fTo: header.SendTo = DecodeHeaderText(value); break;
      case fCc: header.CC = DecodeHeaderText(value); break;
      case fDate:
        header.Timestamp = ParseMailDate(value);
        header.Date = std::move(value);
        break;
      case fSubject: header.Subject = DecodeHeaderText(value); break;
      case fPriority: header.Priority = LeadingInteger(value); break;
      case fContentType: header.ContentType = AsciiUpper(value); break;
      case fTransferEncoding: header.ContentTransferEncoding = AsciiUpper(value); break;
      case fRevisionId: header.RevisionID = AsciiUpper(value); break;
      case fDocumentId: header.DocumentID = AsciiUpper(value); break;
      case fFieldCount: break;
    }
  }
}

// ---- encoded words ----

bool IsBlankOrBreak(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

struct TEncodedWord {
  std::u16string_view Charset;  // without an RFC 2231 language suffix
  char16_t Encoding = u'Q';     // 'B', 'Q' or 'U'
  std::u16string_view Text;
  size_t End = 0;  // position after the closing "?="
};

enum class TWordScan { Found, NotHere, NoneFurther };

// An encoded word "=?charset?X?text?=" starting at `at`. NoneFurther when no word can start here
// or later (no "?" or no "?=" follows), so a value full of "=?" is still read in one pass.
TWordScan ParseEncodedWord(std::u16string_view s, size_t at, TEncodedWord& word) {
  // Charset names are short; looking no further keeps a value full of "=?" linear.
  constexpr size_t kMaxCharset = 64;
  const size_t charsetEnd = s.substr(0, std::min(s.size(), at + 3 + kMaxCharset)).find(u'?', at + 2);
  if (charsetEnd == npos) return at + 3 + kMaxCharset >= s.size() ? TWordScan::NoneFurther : TWordScan::NotHere;
  if (charsetEnd == at + 2 || charsetEnd + 2 >= s.size()) return TWordScan::NotHere;
  std::u16string_view charset = s.substr(at + 2, charsetEnd - at - 2);
  for (char16_t c : charset)
    if (c <= u' ' || c > u'~') return TWordScan::NotHere;
  const char16_t letter = char16_t(AsciiUpperChar(s[charsetEnd + 1]));
  if ((letter != u'B' && letter != u'Q' && letter != u'U') || s[charsetEnd + 2] != u'?')
    return TWordScan::NotHere;
  const size_t textBegin = charsetEnd + 3;
  const size_t close = s.find(u"?=", textBegin);
  if (close == npos) return TWordScan::NoneFurther;
  const size_t star = charset.find(u'*');
  if (star != npos) charset = charset.substr(0, star);
  if (charset.empty()) return TWordScan::NotHere;
  word.Charset = charset;
  word.Encoding = letter;
  word.Text = s.substr(textBegin, close - textBegin);
  word.End = close + 2;
  return TWordScan::Found;
}

std::string WordBytes(const TEncodedWord& word) {
  const std::string text = Utf16ToCp1252(word.Text);
  switch (word.Encoding) {
    case u'B': return DecodeBase64Bytes(text);
    case u'U': return DecodeUULine(text);
    default: return DecodeQEncodingBytes(text);
  }
}

std::string UpToNul(std::string bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return bytes;
}

// A charset iconv does not know: the bytes are read through the 8-bit code page, Q text of a
// value that also holds ISO-8859-1/-2 words as bytes, otherwise code unit by code unit.
std::u16string DecodeUnknownCharset(const TEncodedWord& word, bool isoValue) {
  if (word.Encoding != u'Q') return Cp1252ToUtf16(UpToNul(WordBytes(word)));
  std::u16string text(word.Text);
  for (char16_t& c : text)
    if (c == u'_') c = u' ';
  if (isoValue) return Cp1252ToUtf16(UpToNul(DecodeQuotedPrintableBytes(Utf16ToCp1252(text))));
  return DecodeQuotedPrintableText(text);
}

bool HasIsoWord(std::u16string_view s) {
  return FindAscii(s, u"=?ISO-8859-1?") != npos || FindAscii(s, u"=?ISO-8859-2?") != npos;
}

bool SameCharset(std::u16string_view a, std::u16string_view b) { return SameTextAscii(a, b); }

// Adjacent encoded words in one charset are decoded together, so a character whose bytes were
// split across two words comes out whole.
class TWordRun {
 public:
  TWordRun(std::u16string_view value, std::u16string& out) : FValue(value), FOut(out) {}
  void Add(const TEncodedWord& word) {
    if (!FWords.empty() && !SameCharset(FWords.front().Charset, word.Charset)) Flush();
    FWords.push_back(word);
  }
  void Flush() {
    if (FWords.empty()) return;
    std::string bytes;
    for (const TEncodedWord& w : FWords) bytes += WordBytes(w);
    const std::string charset = Utf16ToCp1252(FWords.front().Charset);
    if (std::optional<std::u16string> text = DecodeCharset(charset, bytes)) {
      const size_t nul = text->find(u'\0');
      FOut.append(*text, 0, nul);
    } else {
      if (!FIso) FIso = HasIsoWord(FValue);
      for (const TEncodedWord& w : FWords) FOut += DecodeUnknownCharset(w, *FIso);
    }
    FWords.clear();
  }

 private:
  const std::u16string_view FValue;
  std::u16string& FOut;
  std::vector<TEncodedWord> FWords;
  std::optional<bool> FIso;  // the value holds an ISO-8859-1/-2 word; found when first needed
};

}  // namespace

std::u16string DecodeHeaderText(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == u' ' || text[b] == u'\t')) ++b;
  while (e > b && text[e - 1] == u' ') --e;
  const std::u16string_view s = text.substr(b, e - b);
  if (s.find(u"=?") == npos) return std::u16string(s);

  std::u16string out;
  out.reserve(s.size());
  TWordRun run(s, out);
  size_t pos = 0;
  bool afterWord = false;
  for (;;) {
    const size_t at = s.find(u"=?", pos);
    if (at == npos) break;
    TEncodedWord word;
    const TWordScan scan = ParseEncodedWord(s, at, word);
    if (scan == TWordScan::NoneFurther) break;
    if (scan == TWordScan::NotHere) {
      run.Flush();
      out.append(s.substr(pos, at + 2 - pos));
      pos = at + 2;
      afterWord = false;
      continue;
    }
    const std::u16string_view gap = s.substr(pos, at - pos);
    bool blankGap = true;
    for (char16_t c : gap) blankGap = blankGap && IsBlankOrBreak(c);
    if (!(afterWord && blankGap)) {  // blanks between two encoded words are dropped
      run.Flush();
      out.append(gap);
    }
    run.Add(word);
    pos = word.End;
    afterWord = true;
  }
  run.Flush();
  out.append(s.substr(pos));
  return out;
}

std::u16string DecodeHeaderBytes(std::string_view raw) {
  TRawText read(raw, TSpan{});
  return DecodeHeaderText(read(raw));
}

void ReadEMLHeader(std::string_view message, TEMLHeader& header) {
  const TByteOrderMark mark = SniffByteOrderMark(message);
  if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
    const std::string_view rest = message.substr(ByteOrderMarkSize(mark));
    ReadEMLHeader(std::u16string_view(mark == TByteOrderMark::bomUtf16Le ? Utf16LeToUtf16(rest)
                                                                         : Utf16BeToUtf16(rest)),
                  header);
    return;
  }
  if (mark == TByteOrderMark::bomUtf8) message.remove_prefix(ByteOrderMarkSize(mark));
  FillHeader(message, header);
}

void ReadEMLHeader(std::u16string_view message, TEMLHeader& header) {
  if (!message.empty() && message[0] == u'\uFEFF') message.remove_prefix(1);
  FillHeader(message, header);
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

std::u16string UnquoteName(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  bool escaped = false;
  for (char16_t c : text) {
    if (!escaped && c == u'"') {
      out.push_back(u' ');
    } else if (!escaped && c == u'\\') {
      escaped = true;
    } else {
      out.push_back(c);
      escaped = false;
    }
  }
  return out;
}

namespace {

std::u16string WithoutApostrophes(std::u16string name) {
  if (name.size() >= 2 && name.front() == u'\'' && name.back() == u'\'')
    name = name.substr(1, name.size() - 2);
  return name;
}

}  // namespace

bool SplitAddress(std::u16string_view text, std::u16string& name, std::u16string& email) {
  name = std::u16string(text);
  email = std::u16string(text);
  size_t open = text.find(u'<');
  if (open != npos) {
    name = Trim(text.substr(0, open));
    const size_t close = text.find(u'>', open + 1);
    if (close == npos) return false;
    email = Trim(text.substr(open + 1, close - open - 1));
    name = WithoutApostrophes(Trim(UnquoteName(name)));
    return true;
  }
  // "ann@example.org (Ann Lee)": the address comes first, the comment is the name.
  open = text.find(u'(');
  if (open == npos) return false;
  const size_t close = text.find(u')', open + 1);
  if (close == npos) return false;
  std::u16string address = Trim(text.substr(0, open));
  if (address.empty()) address = Trim(text.substr(close + 1));
  email = std::move(address);
  name = WithoutApostrophes(Trim(UnquoteName(text.substr(open + 1, close - open - 1))));
  return true;
}

}  // namespace kv
