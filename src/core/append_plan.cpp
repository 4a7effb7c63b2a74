#include "core/append_plan.h"

#include <cmath>

namespace kv {

namespace {

constexpr char16_t kUnitSeparator = u'\x1f';

void AppendKeyField(std::u16string& key, std::u16string_view text) {
  key.append(text);
  key.push_back(kUnitSeparator);
}

std::u16string KeyOfStored(const TMessageInfo& r) {
  std::u16string key;
  key.reserve(r.ID.size() + r.Subject.size() + r.SenderEmail.size() + 32);
  AppendKeyField(key, r.ID);
  AppendKeyField(key, r.Subject);
  AppendKeyField(key, r.SenderEmail);
  AppendKeyField(key, IntToStr(std::llround(r.ReceivedDate * 86400.0)));
  key.append(IntToStr(int32_t(r.Size)));
  return key;
}

}  // namespace

std::u16string MessageIdentity(const TMessageInfo& record) {
  // Through the line writer and reader, so a live record matches its stored twin exactly.
  TMessageInfo stored;
  ParseMessageLine(FormatMessageLine(record), stored);
  return KeyOfStored(stored);
}

void TMessageIdentityCount::AddStoredLine(std::u16string_view line) {
  TMessageInfo stored;
  ParseMessageLine(line, stored);
  ++FCounts[KeyOfStored(stored)];
}

bool TMessageIdentityCount::ClaimStored(const TMessageInfo& record) {
  auto it = FCounts.find(MessageIdentity(record));
  if (it == FCounts.end() || it->second == 0) return false;
  --it->second;
  return true;
}

std::vector<size_t> RecordsToAppend(const TStringList& storedLines, const TMessages& records) {
  TMessageIdentityCount stored;
  for (const auto& line : storedLines) stored.AddStoredLine(line);
  std::vector<size_t> added;
  for (size_t i = 0; i < records.size(); ++i)
    if (!stored.ClaimStored(records[i])) added.push_back(i);
  return added;
}

}  // namespace kv
