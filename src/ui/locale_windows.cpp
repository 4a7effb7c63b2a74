// Named locales from the Windows locale functions: GetLocaleInfoEx for the digit grouping,
// GetDateFormatEx and GetTimeFormatEx for the short date and long time forms, CompareStringEx
// and sort keys for the collation. A POSIX name ("de_DE.UTF-8") names the same locale as the
// Windows name ("de-DE").
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/codepage.h"
#include "base/text.h"
#include "base/windows_text.h"
#include "ui/locale_native.h"

namespace kv {

struct TNativeLocale {
  std::wstring Name;
};

namespace {

// "de_DE.UTF-8", "sr_RS@latin" -> "de-DE", "sr-RS"; Windows names stay as they are.
std::wstring WindowsLocaleName(std::string_view name) {
  const size_t cut = name.find_first_of(".@");
  if (cut != std::string_view::npos) name = name.substr(0, cut);
  std::wstring out(name.begin(), name.end());
  for (wchar_t& c : out)
    if (c == L'_') c = L'-';
  return out;
}

std::u16string Info(const std::wstring& name, LCTYPE what) {
  wchar_t buffer[128] = {};
  const int n = GetLocaleInfoEx(name.c_str(), what, buffer, int(std::size(buffer)));
  return n > 0 ? FromWide(buffer) : std::u16string();
}

// "3;0" (threes for ever), "3;2;0" (three, then twos), "3" (one group of three, no more).
std::vector<int> Grouping(std::u16string_view text) {
  std::vector<int> sizes;
  bool repeats = false;
  for (const std::u16string& part : Split(text, u';')) {
    const int size = StrToIntDef(part, -1);
    if (size == 0) {
      repeats = true;
      break;
    }
    if (size < 0) break;
    sizes.push_back(size);
  }
  // Our grouping repeats the last size; a group too wide for any number ends it instead.
  if (!sizes.empty() && !repeats) sizes.push_back(1000);
  return sizes;
}

std::shared_ptr<const TNativeLocale> Open(std::wstring name, std::u16string& thousandsSep,
                                          std::vector<int>& grouping) {
  if (name.empty() || !IsValidLocaleName(name.c_str())) return nullptr;
  auto native = std::make_shared<TNativeLocale>(TNativeLocale{std::move(name)});
  thousandsSep = Info(native->Name, LOCALE_STHOUSAND);
  grouping = Grouping(Info(native->Name, LOCALE_SGROUPING));
  return native;
}

// Text for the collation functions (UTF-16 here), cleaned as the POSIX build cleans it.
std::wstring CollationText(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (const char32_t cp : CollationCodePoints(text)) {
    if (cp >= 0x10000) {
      out.push_back(wchar_t(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(wchar_t(cp));
    }
  }
  return out;
}

SYSTEMTIME SystemTimeOf(const TCalendar& c) {
  SYSTEMTIME st{};
  st.wYear = WORD(c.Year);
  st.wMonth = WORD(c.Month);
  st.wDay = WORD(c.Day);
  st.wHour = WORD(c.Hour);
  st.wMinute = WORD(c.Minute);
  st.wSecond = WORD(c.Second);
  return st;
}

}  // namespace

std::shared_ptr<const TNativeLocale> OpenNativeLocale(const std::string& name,
                                                      std::u16string& thousandsSep,
                                                      std::vector<int>& grouping) {
  return Open(WindowsLocaleName(name), thousandsSep, grouping);
}

std::shared_ptr<const TNativeLocale> OpenEnvironmentLocale(std::string& name,
                                                           std::u16string& thousandsSep,
                                                           std::vector<int>& grouping) {
  // The POSIX variables when set (Wine passes them on); else the user's own settings.
  const char* all = std::getenv("LC_ALL");
  if (all && *all) {
    name = all;
    return IsPlainLocaleName(name) ? nullptr : OpenNativeLocale(name, thousandsSep, grouping);
  }
  bool anySet = false;
  for (const char* var : {"LC_TIME", "LC_NUMERIC", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(var);
    if (!value || !*value) continue;
    anySet = true;
    if (!IsPlainLocaleName(value)) {
      name = value;
      return OpenNativeLocale(name, thousandsSep, grouping);
    }
  }
  if (anySet) return nullptr;
  wchar_t user[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH) <= 0) return nullptr;
  name = Utf16ToUtf8(FromWide(user));
  return Open(user, thousandsSep, grouping);
}

std::u16string NativeShortDate(const TNativeLocale& locale, const TCalendar& c) {
  const SYSTEMTIME st = SystemTimeOf(c);
  wchar_t buffer[128];
  const int n = GetDateFormatEx(locale.Name.c_str(), DATE_SHORTDATE, &st, nullptr, buffer,
                                int(std::size(buffer)), nullptr);
  return n > 0 ? FromWide(buffer) : std::u16string();
}

std::u16string NativeLongTime(const TNativeLocale& locale, const TCalendar& c) {
  const SYSTEMTIME st = SystemTimeOf(c);
  wchar_t buffer[128];
  const int n =
      GetTimeFormatEx(locale.Name.c_str(), 0, &st, nullptr, buffer, int(std::size(buffer)));
  return n > 0 ? FromWide(buffer) : std::u16string();
}

// Texts the locale's collation finds equal but that differ (an ignorable character, an unpaired
// surrogate) are ordered by their code units, so that only equal texts compare equal.
int NativeCompare(const TNativeLocale& locale, std::u16string_view a, std::u16string_view b) {
  const std::wstring x = CollationText(a), y = CollationText(b);
  const int r = CompareStringEx(locale.Name.c_str(), 0, x.data(), int(x.size()), y.data(),
                                int(y.size()), nullptr, nullptr, 0);
  if (r != 0 && r != CSTR_EQUAL) return r - CSTR_EQUAL;
  const int c = x.compare(y);
  return (c > 0) - (c < 0);
}

std::wstring NativeKey(const TNativeLocale& locale, std::u16string_view text) {
  const std::wstring wide = CollationText(text);
  // A sort key is bytes ordered as memcmp orders them; one byte per wide unit keeps that order.
  // Its last byte, 0, is kept: it stands below every key byte and separates the key from the
  // text itself, which orders texts of equal keys as NativeCompare does.
  const int size = LCMapStringEx(locale.Name.c_str(), LCMAP_SORTKEY, wide.data(), int(wide.size()),
                                 nullptr, 0, nullptr, nullptr, 0);
  std::string bytes(size_t(std::max(size, 0)), '\0');
  if (size > 0)
    LCMapStringEx(locale.Name.c_str(), LCMAP_SORTKEY, wide.data(), int(wide.size()),
                  reinterpret_cast<wchar_t*>(bytes.data()), size, nullptr, nullptr, 0);
  while (bytes.size() > 1 && bytes.back() == '\0' && bytes[bytes.size() - 2] == '\0')
    bytes.pop_back();
  if (bytes.empty() || bytes.back() != '\0') bytes.push_back('\0');
  std::wstring key(bytes.size(), L'\0');
  for (size_t i = 0; i < bytes.size(); ++i) key[i] = wchar_t(uint8_t(bytes[i]));
  return key + wide;
}

}  // namespace kv
