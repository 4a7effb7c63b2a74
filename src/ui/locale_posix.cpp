// Named locales from the C library (newlocale), so that the texts never depend on the
// process-wide locale.
#include <langinfo.h>
#include <locale.h>
#include <wchar.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "base/codepage.h"
#include "ui/locale_native.h"

namespace kv {

struct TNativeLocale {
  locale_t Loc = nullptr;
  explicit TNativeLocale(locale_t loc) : Loc(loc) {}
  TNativeLocale(const TNativeLocale&) = delete;
  TNativeLocale& operator=(const TNativeLocale&) = delete;
  ~TNativeLocale() { freelocale(Loc); }
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

// Wide text (UTF-32 here) for the C library's collation.
std::wstring Utf16ToWide(std::u16string_view text) {
  const std::u32string cps = CollationCodePoints(text);
  return std::wstring(cps.begin(), cps.end());
}

std::shared_ptr<const TNativeLocale> Open(const char* request, std::u16string& thousandsSep,
                                          std::vector<int>& grouping) {
  locale_t loc = newlocale(LC_ALL_MASK, request, static_cast<locale_t>(nullptr));
  if (!loc) return nullptr;
  auto native = std::make_shared<const TNativeLocale>(loc);
  thousandsSep = DecodeLocaleText(loc, nl_langinfo_l(THOUSEP, loc));
  // The C library's grouping string: sizes from the right, 0 repeats the previous size for
  // ever, CHAR_MAX stops grouping.
  grouping.clear();
  for (const char* g = nl_langinfo_l(GROUPING, loc); g && *g && *g != CHAR_MAX; ++g) {
    if (*g <= 0) break;
    grouping.push_back(*g);
  }
  return native;
}

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

std::u16string FormatWide(locale_t loc, const wchar_t* format, const TCalendar& c) {
  std::tm t = ToTm(c);
  wchar_t buffer[128];
  size_t n = wcsftime_l(buffer, std::size(buffer), format, &t, loc);
  return WideToUtf16(buffer, n);
}

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

std::shared_ptr<const TNativeLocale> OpenNativeLocale(const std::string& name,
                                                      std::u16string& thousandsSep,
                                                      std::vector<int>& grouping) {
  return Open(name.c_str(), thousandsSep, grouping);
}

std::shared_ptr<const TNativeLocale> OpenEnvironmentLocale(std::string& name,
                                                           std::u16string& thousandsSep,
                                                           std::vector<int>& grouping) {
  // LC_ALL overrides every category; otherwise the categories the message list uses, then
  // LANG. When none of them names a real locale the environment asks for the plain one.
  bool anyNamed = false;
  const char* all = std::getenv("LC_ALL");
  if (all && *all) {
    name = all;
    anyNamed = !IsPlainLocaleName(all);
  } else {
    for (const char* var : {"LC_TIME", "LC_NUMERIC", "LC_COLLATE", "LANG"}) {
      const char* value = std::getenv(var);
      if (value && *value) {
        if (name.empty()) name = value;
        if (!IsPlainLocaleName(value)) anyNamed = true;
      }
    }
  }
  if (!anyNamed) return nullptr;
  return Open("", thousandsSep, grouping);
}

std::u16string NativeShortDate(const TNativeLocale& locale, const TCalendar& c) {
  return FormatWide(locale.Loc, L"%x", c);
}

std::u16string NativeLongTime(const TNativeLocale& locale, const TCalendar& c) {
  return FormatWide(locale.Loc, L"%X", c);
}

int NativeCompare(const TNativeLocale& locale, std::u16string_view a, std::u16string_view b) {
  return Sign(wcscoll_l(Utf16ToWide(a).c_str(), Utf16ToWide(b).c_str(), locale.Loc));
}

std::wstring NativeKey(const TNativeLocale& locale, std::u16string_view text) {
  std::wstring wide = Utf16ToWide(text);
  // The C library's collation key: wcscmp of two keys orders as wcscoll of the texts.
  std::wstring key;
  size_t size = wide.size() * 4 + 16;
  for (;;) {
    key.resize(size);
    size_t n = wcsxfrm_l(key.data(), wide.c_str(), size, locale.Loc);
    if (n < size) {
      key.resize(n);
      return key;
    }
    size = n + 1;
  }
}

}  // namespace kv
