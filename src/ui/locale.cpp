#include "ui/locale.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

#include "base/codepage.h"
#include "base/parallel_parts.h"
#include "base/text.h"
#include "ui/locale_native.h"

namespace kv {

struct TLocale::TImpl {
  std::string Name = "C";
  std::shared_ptr<const TNativeLocale> Native;  // nullptr: the plain locale
  std::u16string ThousandsSep;                  // empty: no grouping at all
  std::vector<int> Grouping;                    // group sizes from the right; the last repeats
};

bool IsPlainLocaleName(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

std::u32string CollationCodePoints(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp != 0) out.push_back(cp);
  }
  return out;
}

namespace {

std::shared_ptr<const TLocale::TImpl> PlainImpl() {
  static const auto plain = std::make_shared<const TLocale::TImpl>();
  return plain;
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

std::u16string TwoDigits(int v) { return {char16_t(u'0' + v / 10 % 10), char16_t(u'0' + v % 10)}; }

}  // namespace

TLocale TLocale::Plain() { return TLocale(PlainImpl()); }

std::optional<TLocale> TLocale::FromName(std::string_view name) {
  if (IsPlainLocaleName(name)) return Plain();
  auto impl = std::make_shared<TImpl>();
  impl->Name = std::string(name);
  impl->Native = OpenNativeLocale(impl->Name, impl->ThousandsSep, impl->Grouping);
  if (!impl->Native) return std::nullopt;
  if (impl->Grouping.empty()) impl->ThousandsSep.clear();
  return TLocale(std::move(impl));
}

TLocale TLocale::FromEnvironment() {
  auto impl = std::make_shared<TImpl>();
  impl->Native = OpenEnvironmentLocale(impl->Name, impl->ThousandsSep, impl->Grouping);
  if (!impl->Native) return Plain();
  if (impl->Grouping.empty()) impl->ThousandsSep.clear();
  return TLocale(std::move(impl));
}

const std::string& TLocale::Name() const { return FImpl->Name; }

bool TLocale::IsPlain() const { return FImpl->Native == nullptr; }

std::u16string TLocale::FormatShortDate(const TCalendar& c) const {
  if (!FImpl->Native) {
    std::u16string year = IntToStr(c.Year);
    while (year.size() < 4) year.insert(year.begin(), u'0');
    return year + u"-" + TwoDigits(c.Month) + u"-" + TwoDigits(c.Day);
  }
  if (std::u16string text = NativeShortDate(*FImpl->Native, c); !text.empty()) return text;
  return Plain().FormatShortDate(c);  // a date the system's calendar cannot show
}

std::u16string TLocale::FormatLongTime(const TCalendar& c) const {
  if (!FImpl->Native)
    return TwoDigits(c.Hour) + u":" + TwoDigits(c.Minute) + u":" + TwoDigits(c.Second);
  if (std::u16string text = NativeLongTime(*FImpl->Native, c); !text.empty()) return text;
  return Plain().FormatLongTime(c);
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
  if (!FImpl->Native) return ComparePlain(a, b);
  return NativeCompare(*FImpl->Native, a, b);
}

TLocale::TKey TLocale::MakeKey(std::u16string_view text) const {
  TKey key;
  if (!FImpl->Native) {
    key.FText = text;
    return key;
  }
  key.FWide = NativeKey(*FImpl->Native, text);
  return key;
}

int TLocale::CompareKeys(const TKey& a, const TKey& b) const {
  if (!FImpl->Native) return ComparePlain(a.FText, b.FText);
  const int c = a.FWide.compare(b.FWide);
  return (c > 0) - (c < 0);
}

namespace {

// Appends the weights of a collation key so that comparing the bytes orders as comparing the
// weights: UTF-8's form, extended to 31 bits (lead bytes grow with the length, and the length
// with the value). Weights are far below 2^31; anything above takes a form of its own after all.
void AppendWeights(std::wstring_view key, std::string& out) {
  for (const wchar_t w : key) {
    const auto v = static_cast<uint32_t>(w);
    if (v < 0x80) {
      out.push_back(char(v));
      continue;
    }
    int n = v < 0x800 ? 2 : v < 0x10000 ? 3 : v < 0x200000 ? 4 : v < 0x4000000 ? 5 : 6;
    if (v >= 0x80000000u) {
      out.push_back(char(0xFE));
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char(v >> shift));
      continue;
    }
    static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    out.push_back(char(kLead[n] | (v >> (6 * (n - 1)))));
    for (int k = n - 2; k >= 0; --k) out.push_back(char(0x80 | ((v >> (6 * k)) & 0x3F)));
  }
}

}  // namespace

int TLocale::TKeyTable::Compare(size_t a, size_t b) const {
  if (FPlain) return ComparePlain(FTexts[a], FTexts[b]);
  const int c = Key(a).compare(Key(b));
  return (c > 0) - (c < 0);
}

TLocale::TKeyTable TLocale::MakeKeys(size_t count,
                                     const std::function<std::u16string_view(size_t)>& text) const {
  TKeyTable table;
  table.FPlain = !FImpl->Native;
  if (table.FPlain) {
    table.FTexts.reserve(count);
    for (size_t i = 0; i < count; ++i) table.FTexts.push_back(text(i));
    return table;
  }
  // Making a key is the slow part of a text sort.
  auto make = [&](size_t from, size_t to, TKeyTable::TPart& part) {
    part.Ends.reserve(to - from);
    for (size_t i = from; i < to; ++i) {
      AppendWeights(NativeKey(*FImpl->Native, text(i)), part.Bytes);
      if (part.Bytes.size() > UINT32_MAX)
        throw std::length_error("the sort keys exceed what one table holds");
      part.Ends.push_back(uint32_t(part.Bytes.size()));
    }
  };
  // Two halves where it pays (each of 2048 keys or more, on two processors or more).
  const size_t parts = std::min<size_t>(PartCount(count, 2048), 2);
  const std::vector<std::exception_ptr> failures = RunParts(
      parts, [&](size_t k) { make(count * k / parts, count * (k + 1) / parts, table.FParts[k]); });
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
  return table;
}

}  // namespace kv
