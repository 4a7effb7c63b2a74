#include "ui/sort.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kv {

TSortState HeaderClick(TSortState state, int column) {
  if (column == state.Column) {
    state.Direction = state.Direction == TSortDirection::sdAscending ? TSortDirection::sdDescending
                                                                     : TSortDirection::sdAscending;
  } else {
    state.Column = column;
    state.Direction = TSortDirection::sdAscending;
  }
  return state;
}

namespace {

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

// Whether the column's texts mostly repeat, judged on the first rows.
bool MostlyRepeated(const std::vector<int32_t>& rows, const TRecordLookup& record, int column) {
  const size_t sample = std::min<size_t>(rows.size(), 1024);
  std::unordered_set<std::u16string_view> seen;
  for (size_t i = 0; i < sample; ++i) seen.insert(TextSortKey(record(rows[i]), column));
  return seen.size() <= sample / 2;
}

// A text sort prepares the rows' collation keys first. Where the texts mostly repeat (a
// folder's senders and receivers), each distinct text gets one key, the distinct texts are
// ranked once, and the rows sort by rank, comparing whole numbers.
void SortByTexts(std::vector<size_t>& order, const std::vector<int32_t>& rows,
                 const TRecordLookup& record, TSortState state, const TLocale& locale) {
  if (!MostlyRepeated(rows, record, state.Column)) {
    const TLocale::TKeyTable keys = locale.MakeKeys(
        rows.size(), [&](size_t i) { return TextSortKey(record(rows[i]), state.Column); });
    SortPositions(order, state.Direction, [&](size_t x, size_t y) { return keys.Compare(x, y); });
    return;
  }
  std::unordered_map<std::u16string_view, uint32_t> ids;
  std::vector<uint32_t> textOf;
  textOf.reserve(rows.size());
  std::vector<std::u16string_view> distinct;
  for (int32_t row : rows) {
    const std::u16string_view text = TextSortKey(record(row), state.Column);
    auto [at, added] = ids.try_emplace(text, uint32_t(distinct.size()));
    if (added) distinct.push_back(text);
    textOf.push_back(at->second);
  }
  const TLocale::TKeyTable keys =
      locale.MakeKeys(distinct.size(), [&](size_t i) { return distinct[i]; });
  std::vector<uint32_t> byKey(distinct.size());
  std::iota(byKey.begin(), byKey.end(), uint32_t{0});
  std::sort(byKey.begin(), byKey.end(),
            [&](uint32_t a, uint32_t b) { return keys.Compare(a, b) < 0; });
  std::vector<uint32_t> rank(distinct.size());
  for (size_t k = 1; k < byKey.size(); ++k)
    rank[byKey[k]] = rank[byKey[k - 1]] + (keys.Compare(byKey[k - 1], byKey[k]) != 0);
  SortPositions(order, state.Direction, [&](size_t x, size_t y) {
    const uint32_t a = rank[textOf[x]], b = rank[textOf[y]];
    return (a > b) - (a < b);
  });
}

}  // namespace

std::vector<size_t> SortRows(std::vector<int32_t>& rows, const TRecordLookup& record,
                             TSortState state, const TLocale& locale, size_t keyedLimit) {
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (rows.size() < 2 || state.Column < 0 || state.Column >= kResultColumnCount) return order;
  if (IsTextColumn(state.Column) && rows.size() > keyedLimit) {
    SortPositions(order, state.Direction, [&](size_t x, size_t y) {
      return locale.Compare(TextSortKey(record(rows[x]), state.Column),
                            TextSortKey(record(rows[y]), state.Column));
    });
  } else if (IsTextColumn(state.Column)) {
    SortByTexts(order, rows, record, state, locale);
  } else {
    std::vector<double> keys;
    keys.reserve(rows.size());
    for (int32_t row : rows) keys.push_back(NumericSortKey(record(row), state.Column));
    SortPositions(order, state.Direction,
                  [&](size_t x, size_t y) { return (keys[x] > keys[y]) - (keys[x] < keys[y]); });
  }
  std::vector<int32_t> sorted;
  sorted.reserve(rows.size());
  for (size_t pos : order) sorted.push_back(rows[pos]);
  rows = std::move(sorted);
  return order;
}

}  // namespace kv
