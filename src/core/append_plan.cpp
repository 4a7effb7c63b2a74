#include "core/append_plan.h"

#include <cmath>
#include <string_view>
#include <algorithm>

namespace kv {

namespace {

// The lifelong fields of a message. Texts are views into a stored line, into a record, or into
// `cleaned` copies when a record's field holds characters the line writer replaces.
struct TIdentity {
  std::u16string_view ID, Subject, SenderEmail;
  int64_t Seconds = 0;
  uint32_t Size = 0;
  std::u16string cleanedID, cleanedSubject, cleanedSender;

  bool operator==(const TIdentity& o) const {
    return Seconds == o.Seconds && Size == o.Size && ID == o.ID && Subject == o.Subject &&
           SenderEmail == o.SenderEmail;
  }
  size_t Hash() const {
    std::hash<std::u16string_view> h;
    size_t v = h(ID);
    v = v * 1000003u ^ h(Subject);
    v = v * 1000003u ^ h(SenderEmail);
    v = v * 1000003u ^ std::hash<int64_t>()(Seconds);
    return v * 1000003u ^ Size;
  }
};

// The whole seconds of a date text in days, rounded half away from zero. The line writer's
// form ("41234.5000000000": digits, ".", up to ten decimals) is worked out exactly in integers;
// any other form goes through the floating-point value.
int64_t SecondsOfDateText(std::u16string_view text) {
  constexpr uint64_t kScale = 10000000000;  // ten decimals
  uint64_t whole = 0, frac = 0, scale = kScale;
  size_t i = 0;
  for (; i < text.size() && i < 12 && text[i] >= u'0' && text[i] <= u'9'; ++i)
    whole = whole * 10 + uint64_t(text[i] - u'0');
  bool simple = i > 0 && i < 12;
  if (simple && i < text.size()) {
    simple = text[i++] == u'.' && text.size() - i <= 10;
    for (; simple && i < text.size(); ++i) {
      simple = text[i] >= u'0' && text[i] <= u'9';
      scale /= 10;
      frac += uint64_t(text[i] - u'0') * scale;
    }
  }
  if (!simple) {
    auto days = ParseDouble(text);
    return days ? std::llround(*days * 86400.0) : 0;
  }
  const uint64_t fracSeconds = frac * 86400;  // below 8.64e14
  return int64_t(whole * 86400 + fracSeconds / kScale +
                 (fracSeconds % kScale >= kScale / 2 ? 1 : 0));
}

// The fields as the line reader cuts them: each field ends at the next ";", and once none is
// left the remaining fields are empty.
uint32_t SizeOf(std::u16string_view field) {
  auto size = ParseInt32(field);
  return size ? uint32_t(*size) : 0;
}

TIdentity FromStoredLine(std::u16string_view line) {
  TIdentity id;
  const TLineFields f = SplitMessageLine(line);
  id.ID = f[lfID];
  id.Subject = f[lfSubject];
  id.SenderEmail = f[lfSenderEmail];
  id.Seconds = SecondsOfDateText(f[lfReceivedDate]);
  id.Size = SizeOf(f[lfSize]);
  return id;
}

// A text field as the line writer stores it.
std::u16string_view Cleaned(std::u16string_view text, std::u16string& buffer) {
  if (std::none_of(text.begin(), text.end(), IsReplacedInLine)) return text;
  buffer = text;
  for (auto& c : buffer) c = LineFieldChar(c);
  return buffer;
}

// The record's date as its ten-decimal text reads back; only a date near a half second can
// round differently from the value itself, and only those pay for the text.
int64_t SecondsOfRecord(const TMessageView& r) {
  const double seconds = r.ReceivedDate * 86400.0;
  const double frac = seconds - std::floor(seconds);
  return std::fabs(frac - 0.5) > 1e-3 && std::isfinite(seconds)
             ? std::llround(seconds)
             : SecondsOfDateText(FormatFixed(r.ReceivedDate, 10));
}

void FromRecord(const TMessageView& r, TIdentity& id) {
  id.ID = Cleaned(r.ID, id.cleanedID);
  id.Subject = Cleaned(r.Subject, id.cleanedSubject);
  id.SenderEmail = Cleaned(r.SenderEmail, id.cleanedSender);
  id.Seconds = SecondsOfRecord(r);
  id.Size = r.Size;
}

// Whether a stored field is the record's text as the line writer stores it.
bool SameAsStored(std::u16string_view field, std::u16string_view text) {
  if (field.size() != text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (field[i] != LineFieldChar(text[i])) return false;
  return true;
}

// FromStoredLine(line) == the record's identity, without copying a text of the record.
bool StoredLineHolds(std::u16string_view line, const TMessageView& r, int64_t seconds) {
  const TLineFields f = SplitMessageLine(line);
  return SameAsStored(f[lfID], r.ID) && SameAsStored(f[lfSubject], r.Subject) &&
         SameAsStored(f[lfSenderEmail], r.SenderEmail) &&
         SecondsOfDateText(f[lfReceivedDate]) == seconds && SizeOf(f[lfSize]) == r.Size;
}

}  // namespace

bool StoredLineHolds(std::u16string_view line, const TMessageView& record) {
  return StoredLineHolds(line, record, SecondsOfRecord(record));
}

std::vector<size_t> RecordsToAppend(const TStringList& storedLines, const TMessages& records) {
  return RecordsToAppend(
      storedLines.size(),
      [&](size_t k, std::u16string&) { return std::u16string_view(storedLines[k]); },
      records.size(), [&](size_t i) { return TMessageView(records[i]); });
}

std::vector<size_t> RecordsToAppend(size_t storedCount, const TStoredLineText& stored, size_t count,
                                    const std::function<TMessageView(size_t)>& record) {
  // A record claims a stored line of its identity, once and for good; the records left without
  // one are added. Which of several equal lines a record claims does not change the outcome.
  //
  // The stored lines mostly hold the folder's messages in the records' own order (each scan
  // appends the newer ones), with gaps where messages were deleted from the store. So a record
  // is first compared with the line after the one claimed last; only when that fails is the
  // index of all stored lines built, sorted by the hash of their identity (line order among
  // equal hashes) and searched.
  std::vector<std::pair<size_t, uint32_t>> index;
  std::vector<bool> claimed(storedCount, false);
  size_t claimedCount = 0;
  size_t next = 0;  // the stored line after the one claimed last
  auto claim = [&](size_t line) {
    claimed[line] = true;
    ++claimedCount;
    next = line + 1;
  };

  std::vector<size_t> added;
  TIdentity live;
  std::u16string buffer;  // the text of the stored line looked at
  for (size_t i = 0; i < count; ++i) {
    if (claimedCount == storedCount) {  // every stored line is taken: the rest is new
      added.push_back(i);
      continue;
    }
    const TMessageView r = record(i);
    if (next < storedCount && !claimed[next] &&
        StoredLineHolds(stored(next, buffer), r, SecondsOfRecord(r))) {
      claim(next);
      continue;
    }
    FromRecord(r, live);
    if (index.empty()) {
      index.reserve(storedCount);
      for (uint32_t k = 0; k < storedCount; ++k)
        index.emplace_back(FromStoredLine(stored(k, buffer)).Hash(), k);
      std::sort(index.begin(), index.end());
    }
    const size_t hash = live.Hash();
    bool found = false;
    auto it = std::lower_bound(index.begin(), index.end(), std::make_pair(hash, uint32_t(0)));
    for (; it != index.end() && it->first == hash && !found; ++it) {
      if (claimed[it->second] || !(FromStoredLine(stored(it->second, buffer)) == live)) continue;
      claim(it->second);
      found = true;
    }
    if (!found) added.push_back(i);
  }
  return added;
}

}  // namespace kv
