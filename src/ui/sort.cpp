#include "ui/sort.h"

#include <algorithm>
#include <numeric>

namespace kv {

TSortState HeaderClick(TSortState state, int column) {
  if (column == state.Column) {
    state.Direction = state.Direction == TSortDirection::sdAscending
                          ? TSortDirection::sdDescending
                          : TSortDirection::sdAscending;
  } else {
    state.Column = column;
    state.Direction = TSortDirection::sdAscending;
  }
  return state;
}

namespace {

bool IsTextColumn(int column) {
  return column == lcSender || column == lcSubject || column == lcReceiver || column == lcFolder;
}

// Numeric key of a column; every numeric key fits a double exactly.
double NumericKey(const TMessageInfo& r, int column) {
  switch (column) {
    case lcPriority: return r.Priority;
    case lcAttachment: return r.Flags & kFlagAttachment;
    case lcFlag: return r.Flags & 0x20u;
    case lcReceived: return DateSortKey(r.ReceivedDate);
    case lcSize: return r.Size;
    default: return 0;
  }
}

std::u16string_view TextKey(const TMessageInfo& r, int column) {
  if (column == lcSender) return SenderText(r);
  if (column == lcReceiver) return ReceiverText(r);
  if (column == lcFolder) return r._Folder;
  return r.Subject;
}

// A stable sort of positions by a three-way comparison of positions: ascending takes the
// earlier row first while it compares less or equal, descending while it compares greater or
// equal, which is std::stable_sort with a strict "less" or "greater".
template <typename Compare>
void SortPositions(std::vector<size_t>& order, TSortDirection direction, Compare compare) {
  if (direction == TSortDirection::sdAscending)
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return compare(x, y) < 0; });
  else
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return compare(x, y) > 0; });
}

}  // namespace

std::vector<size_t> SortRows(std::vector<int32_t>& rows, const TRecordLookup& record,
                             TSortState state, const TLocale& locale, size_t keyedLimit) {
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (rows.size() < 2 || state.Column < 0 || state.Column >= kResultColumnCount) return order;
  if (IsTextColumn(state.Column) && rows.size() > keyedLimit) {
    SortPositions(order, state.Direction, [&](size_t x, size_t y) {
      return locale.Compare(TextKey(record(rows[x]), state.Column),
                            TextKey(record(rows[y]), state.Column));
    });
  } else if (IsTextColumn(state.Column)) {
    std::vector<TLocale::TKey> keys;
    keys.reserve(rows.size());
    for (int32_t row : rows) keys.push_back(locale.MakeKey(TextKey(record(row), state.Column)));
    SortPositions(order, state.Direction,
                  [&](size_t x, size_t y) { return locale.CompareKeys(keys[x], keys[y]); });
  } else {
    std::vector<double> keys;
    keys.reserve(rows.size());
    for (int32_t row : rows) keys.push_back(NumericKey(record(row), state.Column));
    SortPositions(order, state.Direction, [&](size_t x, size_t y) {
      return (keys[x] > keys[y]) - (keys[x] < keys[y]);
    });
  }
  std::vector<int32_t> sorted;
  sorted.reserve(rows.size());
  for (size_t pos : order) sorted.push_back(rows[pos]);
  rows = std::move(sorted);
  return order;
}

}  // namespace kv
