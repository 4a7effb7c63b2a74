#include "ui/locale.h"

#include <langinfo.h>
#include <locale.h>
#include <wchar.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "base/codepage.h"
#include "base/text.h"

namespace kv {

struct TLocale::TImpl {
  std::string Name = "C";
  locale_t Loc = nullptr;         // nullptr: the plain locale
  std::u16string ThousandsSep;    // empty: no grouping at all
  std::vector<int> Grouping;      // group sizes from the right; the last one repeats

  TImpl() = default;
  TImpl(const TImpl&) = delete;
  TImpl& operator=(const TImpl&) = delete;
  ~TImpl() {
    if (Loc) freelocale(Loc);
  }
};

namespace {

// Texts a named locale hands out are in its own code set.
std::u16string DecodeLocaleText(locale_t loc, const char* bytes) {
  std::string_view text = bytes ? bytes : "";
  std::string_view codeset = nl_langinfo_l(CODESET, loc);
  if (codeset == "UTF-8" || codeset == "utf8") return Utf8ToUtf16(text);
  if (auto decoded = DecodeCharset(codeset, text)) return *decoded;
  return Cp1252ToUtf16(text);
}

std::u16string WideToUtf16(const wchar_t* text, size_t length) {
  std::u16string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    auto cp = static_cast<uint32_t>(text[i]);
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF) {
      out.push_back(u'\uFFFD');
    } else {
      out.push_back(char16_t(cp));
    }
  }
  return out;
}

// Wide text for the C library's collation: surrogate pairs joined, unpaired halves replaced,
// NULs dropped (they would end the text early).
std::wstring Utf16ToWide(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp == 0) continue;
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}

bool IsPlainName(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

std::shared_ptr<const TLocale::TImpl> PlainImpl() {
  static const auto plain = std::make_shared<const TLocale::TImpl>();
  return plain;
}

std::shared_ptr<const TLocale::TImpl> NamedImpl(const std::string& name, const char* request) {
  locale_t loc = newlocale(LC_ALL_MASK, request, static_cast<locale_t>(nullptr));
  if (!loc) return nullptr;
  auto impl = std::make_shared<TLocale::TImpl>();
  impl->Name = name;
  impl->Loc = loc;
  impl->ThousandsSep = DecodeLocaleText(loc, nl_langinfo_l(THOUSEP, loc));
  const char* grouping = nl_langinfo_l(GROUPING, loc);
  // The C library's grouping string: sizes from the right, 0 repeats the previous size for
  // ever, CHAR_MAX stops grouping.
  for (const char* g = grouping; g && *g && *g != CHAR_MAX; ++g) {
    if (*g <= 0) break;
    impl->Grouping.push_back(*g);
  }
  if (impl->Grouping.empty()) impl->ThousandsSep.clear();
  return impl;
}

char16_t AsciiLowerUnit(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

// The plain collation: ASCII letters without case first, then lower case before upper case at
// the first place they differ, then code units.
int ComparePlain(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = AsciiLowerUnit(a[i]), y = AsciiLowerUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) {
      bool aLower = a[i] >= u'a' && a[i] <= u'z';
      return aLower ? -1 : 1;  // same letter, different case: lower case first
    }
  }
  return 0;
}

int Sign(int v) { return (v > 0) - (v < 0); }

std::tm ToTm(const TCalendar& c) {
  std::tm t{};
  t.tm_year = c.Year - 1900;
  t.tm_mon = c.Month - 1;
  t.tm_mday = c.Day;
  t.tm_hour = c.Hour;
  t.tm_min = c.Minute;
  t.tm_sec = c.Second;
  return t;
}

std::u16string TwoDigits(int v) {
  return {char16_t(u'0' + v / 10 % 10), char16_t(u'0' + v % 10)};
}

std::u16string FormatWide(locale_t loc, const wchar_t* format, const TCalendar& c) {
  std::tm t = ToTm(c);
  wchar_t buffer[128];
  size_t n = wcsftime_l(buffer, std::size(buffer), format, &t, loc);
  return WideToUtf16(buffer, n);
}

}  // namespace

TLocale TLocale::Plain() { return TLocale(PlainImpl()); }

std::optional<TLocale> TLocale::FromName(std::string_view name) {
  if (IsPlainName(name)) return Plain();
  std::string owned(name);
  auto impl = NamedImpl(owned, owned.c_str());
  if (!impl) return std::nullopt;
  return TLocale(std::move(impl));
}

TLocale TLocale::FromEnvironment() {
  // LC_ALL overrides every category; otherwise the categories the message list uses, then
  // LANG. When none of them names a real locale the environment asks for the plain one.
  std::string name;
  bool anyNamed = false;
  const char* all = std::getenv("LC_ALL");
  if (all && *all) {
    name = all;
    anyNamed = !IsPlainName(all);
  } else {
    for (const char* var : {"LC_TIME", "LC_NUMERIC", "LC_COLLATE", "LANG"}) {
      const char* value = std::getenv(var);
      if (value && *value) {
        if (name.empty()) name = value;
        if (!IsPlainName(value)) anyNamed = true;
      }
    }
  }
  if (!anyNamed) return Plain();
  auto impl = NamedImpl(name, "");
  if (!impl) return Plain();
  return TLocale(std::move(impl));
}

const std::string& TLocale::Name() const { return FImpl->Name; }

bool TLocale::IsPlain() const { return FImpl->Loc == nullptr; }

std::u16string TLocale::FormatShortDate(const TCalendar& c) const {
  if (!FImpl->Loc) {
    std::u16string year = IntToStr(c.Year);
    while (year.size() < 4) year.insert(year.begin(), u'0');
    return year + u"-" + TwoDigits(c.Month) + u"-" + TwoDigits(c.Day);
  }
  return FormatWide(FImpl->Loc, L"%x", c);
}

std::u16string TLocale::FormatLongTime(const TCalendar& c) const {
  if (!FImpl->Loc)
    return TwoDigits(c.Hour) + u":" + TwoDigits(c.Minute) + u":" + TwoDigits(c.Second);
  return FormatWide(FImpl->Loc, L"%X", c);
}

std::u16string TLocale::FormatThousands(uint64_t value) const {
  std::u16string digits = UIntToStr(value);
  const auto& sep = FImpl->ThousandsSep;
  const auto& grouping = FImpl->Grouping;
  if (sep.empty() || grouping.empty()) return digits;
  // Walk from the right, cutting groups of the sizes the locale lists, the last size repeating.
  std::vector<std::u16string_view> groups;
  std::u16string_view rest = digits;
  size_t g = 0;
  while (!rest.empty()) {
    size_t size = size_t(grouping[std::min(g, grouping.size() - 1)]);
    if (rest.size() <= size) {
      groups.push_back(rest);
      break;
    }
    groups.push_back(rest.substr(rest.size() - size));
    rest.remove_suffix(size);
    ++g;
  }
  std::u16string out;
  for (size_t i = groups.size(); i-- > 0;) {
    out += groups[i];
    if (i) out += sep;
  }
  return out;
}

int TLocale::Compare(std::u16string_view a, std::u16string_view b) const {
  if (!FImpl->Loc) return ComparePlain(a, b);
  return Sign(wcscoll_l(Utf16ToWide(a).c_str(), Utf16ToWide(b).c_str(), FImpl->Loc));
}

TLocale::TKey TLocale::MakeKey(std::u16string_view text) const {
  TKey key;
  if (!FImpl->Loc) {
    key.FText = text;
    return key;
  }
  std::wstring wide = Utf16ToWide(text);
  // The C library's collation key: wcscmp of two keys orders as wcscoll of the texts.
  size_t size = wide.size() * 4 + 16;
  for (;;) {
    key.FWide.resize(size);
    size_t n = wcsxfrm_l(key.FWide.data(), wide.c_str(), size, FImpl->Loc);
    if (n < size) {
      key.FWide.resize(n);
      break;
    }
    size = n + 1;
  }
  return key;
}

int TLocale::CompareKeys(const TKey& a, const TKey& b) const {
  if (!FImpl->Loc) return ComparePlain(a.FText, b.FText);
  return Sign(wcscmp(a.FWide.c_str(), b.FWide.c_str()));
}

}  // namespace kv
