// The user's locale as the message list needs it: the short date and long time forms, the
// thousands separator of whole numbers, and the collation of texts. A TLocale is built from a
// POSIX locale name ("en_US.UTF-8", "de_DE.UTF-8") so that the texts never depend on the
// process-wide locale; tests name theirs explicitly. Copies share one immutable locale object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

  // The keys of many texts at once (a sort's), compared by position as CompareKeys compares
  // theirs. A named locale's keys are held in one block, each as its collation weights in a form
  // whose byte order is their order and that takes a byte or two a weight instead of four; they
  // are made on two threads where there are many. The plain locale's keys are the texts, which
  // must stay valid as long as the table is used.
  class TKeyTable {
   public:
    size_t size() const {
      return FPlain ? FTexts.size() : FParts[0].Ends.size() + FParts[1].Ends.size();
    }
    int Compare(size_t a, size_t b) const;

   private:
    friend class TLocale;
    // The keys of one thread: key k is Bytes[Ends[k - 1], Ends[k]).
    struct TPart {
      std::string Bytes;
      std::vector<uint32_t> Ends;
      std::string_view Key(size_t k) const {
        const uint32_t begin = k ? Ends[k - 1] : 0;
        return {Bytes.data() + begin, Ends[k] - begin};
      }
    };
    std::string_view Key(size_t k) const {
      return k < FParts[0].Ends.size() ? FParts[0].Key(k)
                                       : FParts[1].Key(k - FParts[0].Ends.size());
    }
    bool FPlain = true;
    std::vector<std::u16string_view> FTexts;
    TPart FParts[2];
  };
  // `text(i)` may be called from two threads at once.
  TKeyTable MakeKeys(size_t count, const std::function<std::u16string_view(size_t)>& text) const;

  struct TImpl;

 private:
  explicit TLocale(std::shared_ptr<const TImpl> impl) : FImpl(std::move(impl)) {}
  std::shared_ptr<const TImpl> FImpl;
};

}  // namespace kv
