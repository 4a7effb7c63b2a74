#include "ui/sort.h"

#include <gtest/gtest.h>

#include <random>

namespace kv {
namespace {

TLocale English() { return TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain()); }

struct Fixture {
  TMessages records;
  TRecordLookup lookup = [this](int32_t i) -> const TMessageInfo& { return records.at(size_t(i)); };
  std::vector<int32_t> AllRows() const {
    std::vector<int32_t> rows;
    for (size_t i = 0; i < records.size(); ++i) rows.push_back(int32_t(i));
    return rows;
  }
};

TMessageInfo Record(std::u16string subject, double date = 0, uint32_t size = 0) {
  TMessageInfo r;
  r.Subject = std::move(subject);
  r.ReceivedDate = date;
  r.Size = size;
  return r;
}

TEST(HeaderClick, FlipsOnTheSortColumnAndStartsAscendingOnAnother) {
  TSortState state;
  EXPECT_EQ(state, (TSortState{lcReceived, TSortDirection::sdDescending}));
  state = HeaderClick(state, lcReceived);
  EXPECT_EQ(state, (TSortState{lcReceived, TSortDirection::sdAscending}));
  state = HeaderClick(state, lcReceived);
  EXPECT_EQ(state, (TSortState{lcReceived, TSortDirection::sdDescending}));
  state = HeaderClick(state, lcSubject);
  EXPECT_EQ(state, (TSortState{lcSubject, TSortDirection::sdAscending}));
}

TEST(SortRows, InitialStateShowsNewestFirst) {
  Fixture f;
  f.records = {Record(u"old", 100), Record(u"new", 300), Record(u"mid", 200)};
  auto rows = f.AllRows();
  SortRows(rows, f.lookup, TSortState{}, English());
  EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 0}));
  SortRows(rows, f.lookup, HeaderClick(TSortState{}, lcReceived), English());
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 2, 1}));
}

TEST(SortRows, SubjectsByCollation) {
  Fixture f;
  f.records = {Record(u"cherry"), Record(u"Banana"), Record(u"apple")};
  auto rows = f.AllRows();
  SortRows(rows, f.lookup, {lcSubject, TSortDirection::sdAscending}, English());
  EXPECT_EQ(rows, (std::vector<int32_t>{2, 1, 0}));
  SortRows(rows, f.lookup, {lcSubject, TSortDirection::sdDescending}, English());
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 1, 2}));
}

TEST(SortRows, EqualKeysKeepTheirOrderInBothDirections) {
  Fixture f;
  f.records = {Record(u"same", 5), Record(u"other", 5), Record(u"same", 1), Record(u"same", 9),
               Record(u"a", 5)};
  for (auto direction : {TSortDirection::sdAscending, TSortDirection::sdDescending}) {
    auto rows = f.AllRows();
    SortRows(rows, f.lookup, {lcSubject, direction}, English());
    std::vector<int32_t> same;
    for (int32_t row : rows)
      if (f.records[size_t(row)].Subject == u"same") same.push_back(row);
    EXPECT_EQ(same, (std::vector<int32_t>{0, 2, 3}));  // record order, either direction

    rows = f.AllRows();
    SortRows(rows, f.lookup, {lcReceived, direction}, English());
    std::vector<int32_t> five;
    for (int32_t row : rows)
      if (f.records[size_t(row)].ReceivedDate == 5) five.push_back(row);
    EXPECT_EQ(five, (std::vector<int32_t>{0, 1, 4}));
  }
}

TEST(SortRows, KeepsTheCurrentOrderOfEqualRowsNotTheRecordOrder) {
  // A second sort starts from the rows as they stand: equal keys keep that order.
  Fixture f;
  f.records = {Record(u"b", 1), Record(u"a", 2), Record(u"b", 3), Record(u"a", 4)};
  std::vector<int32_t> rows = {3, 2, 1, 0};
  SortRows(rows, f.lookup, {lcSubject, TSortDirection::sdAscending}, English());
  EXPECT_EQ(rows, (std::vector<int32_t>{3, 1, 2, 0}));
}

TEST(SortRows, AgreesWithThePairwiseComparisonOnEveryColumn) {
  // Many rows, many equal keys: each sort must be ordered by CompareRecords and stable.
  std::mt19937 random(7);
  const char16_t* words[] = {u"apple",   u"Apple", u"Banana", u"banana", u"cherry", u"",
                             u"\u00e4b", u"a b",   u"a-b",    u"ab",     u"1x",     u"\U0001F600"};
  const size_t n = std::size(words);
  Fixture f;
  for (int i = 0; i < 400; ++i) {
    TMessageInfo r;
    // Most subjects distinct, the other texts mostly repeated: both ways of sorting texts.
    r.Subject = std::u16string(words[random() % n]) + (i % 4 ? IntToStr(i % 150) : u"");
    r.SenderName = (random() % 2) ? std::u16string(words[random() % n]) : u"";
    r.SenderEmail = words[random() % n];
    r.ReceiverEmail = words[random() % n];
    r.ReceivedDate = double(random() % 5) / 4;
    r.Size = random() % 4 ? random() % 3 : 0xFFFFFFF0u;
    r.Priority = random() % 6;
    r.Flags = random();
    f.records.push_back(r);
  }
  for (const TLocale& en : {English(), TLocale::Plain()}) {
    // Both ways of comparing texts: prepared collation keys and pairwise comparison.
    for (size_t keyedLimit : {kKeyedSortLimit, size_t{0}}) {
      for (int column = 0; column < kListColumnCount; ++column) {
        for (auto direction : {TSortDirection::sdAscending, TSortDirection::sdDescending}) {
          auto rows = f.AllRows();
          SortRows(rows, f.lookup, {column, direction}, en, keyedLimit);
          ASSERT_EQ(rows.size(), f.records.size());
          for (size_t i = 1; i < rows.size(); ++i) {
            int c = CompareRecords(f.records[size_t(rows[i - 1])], f.records[size_t(rows[i])],
                                   column, en);
            if (direction == TSortDirection::sdDescending) c = -c;
            ASSERT_LE(c, 0) << "column " << column << " at " << i;
            if (c == 0) {
              ASSERT_LT(rows[i - 1], rows[i]) << "unstable, column " << column;
            }
          }
        }
      }
    }
  }
}

TEST(SortRows, EmptyAndUnknownColumnLeaveRowsAlone) {
  Fixture f;
  f.records = {Record(u"b"), Record(u"a")};
  std::vector<int32_t> rows;
  SortRows(rows, f.lookup, TSortState{}, English());
  EXPECT_TRUE(rows.empty());
  rows = {0, 1};
  SortRows(rows, f.lookup, {99, TSortDirection::sdAscending}, English());
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 1}));
}

}  // namespace
}  // namespace kv
