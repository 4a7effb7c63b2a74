// The user's locale as the message list needs it: the short date and long time forms, the
// thousands separator of whole numbers, and the collation of texts. A TLocale is built from a
// POSIX locale name ("en_US.UTF-8", "de_DE.UTF-8") so that the texts never depend on the
// process-wide locale; tests name theirs explicitly. Copies share one immutable locale object.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace kv {

class TLocale {
 public:
  // The plain locale: ISO dates (1899-12-30), 24-hour times (13:05:07), no thousands
  // separator, and a collation that orders the ASCII letters without regard to case first
  // and lets case (lower before upper) decide only between otherwise equal texts.
  static TLocale Plain();
  // The named POSIX locale; "C" and "POSIX" give Plain(). nullopt when the system lacks it.
  static std::optional<TLocale> FromName(std::string_view name);
  // The locale the environment selects (LC_ALL, LC_xxx, LANG), Plain() when that is unset,
  // "C", or unknown to the system.
  static TLocale FromEnvironment();

  // "C" for the plain locale, else the name it was built from.
  const std::string& Name() const;
  bool IsPlain() const;

  // Short date form of a calendar date and long time form of a time of day.
  std::u16string FormatShortDate(const TCalendar& c) const;
  std::u16string FormatLongTime(const TCalendar& c) const;
  // A whole number with the locale's thousands separator and grouping, no decimals.
  std::u16string FormatThousands(uint64_t value) const;

  // Collation, case-sensitive: -1, 0 or +1. Case decides only between texts that are
  // otherwise equal.
  int Compare(std::u16string_view a, std::u16string_view b) const;

  // A text prepared once for many comparisons (a sort compares each row's text often):
  // for a named locale its collation key, so that comparing two keys is a plain comparison
  // that orders as Compare() does.
  class TKey {
   public:
    TKey() = default;

   private:
    friend class TLocale;
    std::wstring FWide;    // named locales: the collation key of the text
    std::u16string FText;  // plain locale: the text itself
  };
  TKey MakeKey(std::u16string_view text) const;
  int CompareKeys(const TKey& a, const TKey& b) const;

  struct TImpl;

 private:
  explicit TLocale(std::shared_ptr<const TImpl> impl) : FImpl(std::move(impl)) {}
  std::shared_ptr<const TImpl> FImpl;
};

}  // namespace kv
