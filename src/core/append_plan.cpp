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

int64_t SecondsOf(std::optional<double> days) { return days ? std::llround(*days * 86400.0) : 0; }

// The fields as the line reader cuts them: each field ends at the next ";", and once none is
// left the remaining fields are empty.
TIdentity FromStoredLine(std::u16string_view line) {
  TIdentity id;
  if (line.find(u';') == std::u16string_view::npos) return id;
  std::u16string_view rest = line;
  auto next = [&rest] { return NextLineField(rest); };
  next();                        // Index
  id.ID = next();
  next();                        // Flags
  id.Subject = next();
  next();                        // Server
  next();                        // SenderName
  id.SenderEmail = next();
  id.Seconds = SecondsOf(ParseDouble(next()));
  for (int skip = 0; skip < 4; ++skip) next();  // Received .. Account
  auto size = ParseInt32(next());
  id.Size = size ? uint32_t(*size) : 0;
  return id;
}

// A text field as the line writer stores it.
std::u16string_view Cleaned(const std::u16string& text, std::u16string& buffer) {
  auto replaced = [](char16_t c) { return c == u';' || c == u'\r' || c == u'\n' || c == u'\0'; };
  if (std::none_of(text.begin(), text.end(), replaced)) return text;
  buffer = text;
  for (auto& c : buffer) {
    if (c == u';') c = u',';
    else if (c == u'\r' || c == u'\n' || c == u'\0') c = u' ';
  }
  return buffer;
}

void FromRecord(const TMessageInfo& r, TIdentity& id) {
  id.ID = Cleaned(r.ID, id.cleanedID);
  id.Subject = Cleaned(r.Subject, id.cleanedSubject);
  id.SenderEmail = Cleaned(r.SenderEmail, id.cleanedSender);
  // The date as its ten-decimal text reads back; only a date near a half second can round
  // differently from the value itself, and only those pay for the text.
  const double seconds = r.ReceivedDate * 86400.0;
  const double frac = seconds - std::floor(seconds);
  id.Seconds = std::fabs(frac - 0.5) > 1e-3 && std::isfinite(seconds)
                   ? std::llround(seconds)
                   : SecondsOf(ParseDouble(FormatFixed(r.ReceivedDate, 10)));
  id.Size = r.Size;
}

}  // namespace

std::vector<size_t> RecordsToAppend(const TStringList& storedLines, const TMessages& records) {
  // Stored lines sorted by the hash of their identity (line order among equal hashes), so a
  // lookup is a binary search; a line, once matched, is claimed for good.
  std::vector<std::pair<size_t, uint32_t>> stored;
  stored.reserve(storedLines.size());
  for (uint32_t i = 0; i < storedLines.size(); ++i)
    stored.emplace_back(FromStoredLine(storedLines[i]).Hash(), i);
  std::sort(stored.begin(), stored.end());
  std::vector<bool> claimed(storedLines.size(), false);

  std::vector<size_t> added;
  TIdentity live;
  for (size_t i = 0; i < records.size(); ++i) {
    FromRecord(records[i], live);
    const size_t hash = live.Hash();
    bool found = false;
    auto it = std::lower_bound(stored.begin(), stored.end(), std::make_pair(hash, uint32_t(0)));
    for (; it != stored.end() && it->first == hash && !found; ++it) {
      if (claimed[it->second] || !(FromStoredLine(storedLines[it->second]) == live)) continue;
      claimed[it->second] = true;
      found = true;
    }
    if (!found) added.push_back(i);
  }
  return added;
}

}  // namespace kv
