// Which records of a folder a history append adds to the lines already stored for it.
//
// A message keeps a few fields for life: its ID, Subject, SenderEmail, ReceivedDate and Size
// (Flags change when it is read, so they never count). Those fields are its identity, taken as
// its stored line reads back: text fields as the line writer cleans them, the date rounded to
// the whole second. The append adds every record whose identity the stored lines do not hold
// yet, as often as the folder holds it beyond what is stored; it never depends on which message
// happens to be the newest, so deleted, delayed or moved messages neither duplicate nor hide
// the folder.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "core/message.h"

namespace kv {

// The text of stored line `index`, which may be put in `buffer`.
using TStoredLineText = std::function<std::u16string_view(size_t index, std::u16string& buffer)>;

// The indices of the records (0 to count - 1, read through `record`), in their order, whose
// lines an append adds after the `storedCount` stored lines.
std::vector<size_t> RecordsToAppend(size_t storedCount, const TStoredLineText& stored, size_t count,
                                    const std::function<TMessageView(size_t)>& record);
std::vector<size_t> RecordsToAppend(const TStringList& storedLines, const TMessages& records);

// Whether stored line `line` holds the record's identity: what RecordsToAppend asks first of the
// stored line after the one claimed last.
bool StoredLineHolds(std::u16string_view line, const TMessageView& record);

}  // namespace kv
