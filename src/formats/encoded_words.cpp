#include "formats/encoded_words.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/text.h"
#include "formats/mime_decode.h"

namespace kv {
namespace {

constexpr size_t npos = std::u16string_view::npos;

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
  const size_t charsetEnd =
      s.substr(0, std::min(s.size(), at + 3 + kMaxCharset)).find(u'?', at + 2);
  if (charsetEnd == npos)
    return at + 3 + kMaxCharset >= s.size() ? TWordScan::NoneFurther : TWordScan::NotHere;
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
  std::u16string out;
  DecodeHeaderText(text, out);
  return out;
}

void DecodeHeaderText(std::u16string_view text, std::u16string& out) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == u' ' || text[b] == u'\t')) ++b;
  while (e > b && text[e - 1] == u' ') --e;
  const std::u16string_view s = text.substr(b, e - b);
  if (s.find(u"=?") == npos) {
    out.assign(s);
    return;
  }
  out.clear();
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
}

}  // namespace kv
