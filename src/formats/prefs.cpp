// prefs.js holds one user_pref("name", value); call per line, as Mozilla writes it. A line is
// read by its structure (quoted name, comma, quoted string or bare value, closing parenthesis);
// a line that does not have it is cut at its first comma as older readers did.
#include "formats/prefs.h"

#include "base/codepage.h"
#include "base/text.h"

namespace kv {

namespace {

constexpr size_t npos = std::u16string_view::npos;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

size_t SkipBlanks(std::u16string_view s, size_t i) {
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

// The end of a quoted string whose opening quote is at `open`: the next quote not escaped by a
// backslash; npos when it is not closed.
size_t ClosingQuote(std::u16string_view s, size_t open) {
  for (size_t i = open + 1; i < s.size(); ++i) {
    if (s[i] == u'\\') {
      ++i;
    } else if (s[i] == u'"') {
      return i;
    }
  }
  return npos;
}

std::u16string WithoutQuotes(std::u16string_view s) {
  if (s.size() >= 2 && s.front() == u'"' && s.back() == u'"') s = s.substr(1, s.size() - 2);
  return std::u16string(s);
}

// user_pref("name", value) read by its structure; false when the line does not follow it.
bool ParseStructured(std::u16string_view call, TUserPref& pref) {
  size_t i = SkipBlanks(call, 0);
  if (i >= call.size() || call[i] != u'"') return false;
  const size_t nameEnd = ClosingQuote(call, i);
  if (nameEnd == npos) return false;
  std::u16string_view name = call.substr(i + 1, nameEnd - i - 1);
  i = SkipBlanks(call, nameEnd + 1);
  if (i >= call.size() || call[i] != u',') return false;
  i = SkipBlanks(call, i + 1);
  if (i >= call.size()) return false;
  std::u16string_view value;
  if (call[i] == u'"') {
    const size_t valueEnd = ClosingQuote(call, i);
    if (valueEnd == npos) return false;
    value = call.substr(i + 1, valueEnd - i - 1);
    i = SkipBlanks(call, valueEnd + 1);
    if (i >= call.size() || call[i] != u')') return false;
  } else {
    const size_t close = call.find(u')', i);
    if (close == npos) return false;
    value = TrimView(call.substr(i, close - i));
  }
  pref.Name = std::u16string(name);
  pref.Value = std::u16string(value);
  return true;
}

std::u16string FileText(std::string_view bytes) {
  // Mozilla writes prefs.js in UTF-8 without a mark; a file that is not valid UTF-8 is 8-bit.
  return DecodeMarkedText(bytes, [](std::string_view b) {
    return HasHighBytes(b) && IsValidUtf8(b) ? Utf8ToUtf16(b) : Cp1252ToUtf16(b);
  });
}

}  // namespace

bool ParsePrefsLine(std::u16string_view line, TUserPref& pref) {
  static constexpr std::u16string_view kCall = u"user_pref(";
  const std::u16string_view t = TrimView(line);
  if (!StartsWithAscii(t, kCall)) return false;
  if (ParseStructured(t.substr(kCall.size()), pref)) return true;

  // Cut at the first comma: the name before it, the value after it less its closing ");".
  const size_t comma = t.find(u',');
  std::u16string_view value;
  if (comma == npos) {
    pref.Name.clear();
    value = t;
  } else {
    pref.Name = WithoutQuotes(t.substr(kCall.size(), comma - kCall.size()));
    value = TrimView(t.substr(comma + 1));
  }
  value = value.size() >= 2 ? value.substr(0, value.size() - 2) : std::u16string_view();
  pref.Value = WithoutQuotes(value);
  return true;
}

void TPrefsJS::LoadFromBytes(std::string_view bytes, std::u16string_view fileName) {
  FFilename = std::u16string(fileName);
  const std::u16string text = FileText(bytes);
  const std::u16string_view all(text);
  size_t pos = 0;
  while (pos < all.size()) {
    size_t eol = pos;
    while (eol < all.size() && all[eol] != u'\n' && all[eol] != u'\r') ++eol;
    TUserPref pref;
    if (ParsePrefsLine(all.substr(pos, eol - pos), pref)) FUserPrefs.push_back(std::move(pref));
    pos = eol;
    if (pos < all.size())
      pos += (all[pos] == u'\r' && pos + 1 < all.size() && all[pos + 1] == u'\n') ? 2 : 1;
  }
}

void TPrefsJS::Load(IReadStream& stream, std::u16string_view fileName) {
  const std::string bytes = ReadBytes(stream, 0, static_cast<size_t>(stream.Size()));
  LoadFromBytes(bytes, fileName);
}

void TPrefsJS::GetUserPref(std::u16string_view name, TUserPref& pref) const {
  for (const TUserPref& p : FUserPrefs) {
    if (SameTextAscii(p.Name, name)) {
      pref = p;
      return;
    }
  }
  pref = TUserPref{};
}

TUserPref TPrefsJS::GetUserPref(std::u16string_view name) const {
  TUserPref pref;
  GetUserPref(name, pref);
  return pref;
}

}  // namespace kv
