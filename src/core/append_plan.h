// Which records of a folder a history append adds to the lines already stored for it.
//
// A message keeps a few fields for life: its ID, Subject, SenderEmail, ReceivedDate and Size
// (Flags change when it is read, so they never count). Those fields are its identity. The
// append adds every record whose identity the stored lines do not hold yet, as often as the
// folder holds it beyond what is stored; it never depends on which message happens to be the
// newest, so deleted, delayed or moved messages neither duplicate nor hide the folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/message.h"

namespace kv {

class TMessageIdentityCount {
 public:
  // Counts the identity of one stored line.
  void AddStoredLine(std::u16string_view line);
  // True when a stored line with the record's identity is still unclaimed; claims it.
  bool ClaimStored(const TMessageInfo& record);
  size_t Size() const { return FCounts.size(); }

 private:
  std::unordered_map<std::u16string, uint32_t> FCounts;
};

// The identity key of a record as its stored line reads back: text fields pass through the line
// writer's cleaning, dates are compared rounded to the whole second.
std::u16string MessageIdentity(const TMessageInfo& record);

// The indices of `records`, in their order, whose lines an append adds after `storedLines`.
std::vector<size_t> RecordsToAppend(const TStringList& storedLines, const TMessages& records);

}  // namespace kv
