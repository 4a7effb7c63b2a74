// The message list's sort state and the sort of its rows. The state belongs to the viewer and
// starts on the Received column, newest first. A header click on the sort column flips the
// direction; on another column it sorts that column ascending.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/locale.h"
#include "ui/message_list.h"

namespace kv {

enum class TSortDirection { sdAscending, sdDescending };

struct TSortState {
  int Column = lcReceived;
  TSortDirection Direction = TSortDirection::sdDescending;
  bool operator==(const TSortState&) const = default;
};

// The state after a click on the header of `column`.
TSortState HeaderClick(TSortState state, int column);

// Rows up to which a text sort prepares every row's collation key first: much faster, but a
// key takes several times the text's memory, so very large lists compare texts pairwise.
constexpr size_t kKeyedSortLimit = 200000;

// Sorts rows (record indices) by the state's column, stably: rows whose keys compare equal keep
// their current order in either direction (record order after a fill). The order is the one
// CompareRecords gives. Returns where each row came from: row i now holds what row `from[i]`
// held before (a view keeps its selection on the same record with it).
std::vector<size_t> SortRows(std::vector<int32_t>& rows, const TRecordLookup& record,
                             TSortState state, const TLocale& locale,
                             size_t keyedLimit = kKeyedSortLimit);

}  // namespace kv
