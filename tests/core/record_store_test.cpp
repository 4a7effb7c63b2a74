// The compact store of a folder's records: texts across block ends, texts longer than a block,
// repeated fields kept once, and the date sort giving exactly the order of the plain sort.
#include "core/record_store.h"

#include <gtest/gtest.h>

#include <random>

#include "core/emails.h"

namespace kv {
namespace {

TMessageInfo Record(int i, double date) {
  TMessageInfo r;
  r.Index = uint32_t(i);
  r.ID = u"<" + IntToStr(i) + u"@example.org>";
  r.Subject = std::u16string(size_t(i % 97), u'x') + IntToStr(i);
  r.SenderName = u"Ann";
  r.SenderEmail = i % 2 ? u"ann@example.org" : u"bob@example.org";
  r.ReceivedDate = date;
  r.Account = u"Work";
  r._Folder = u"Inbox";
  r.Size = uint32_t(1000 + i);
  r.Flags = uint32_t(i);
  return r;
}

TEST(RecordStore, HoldsEveryTextWholeAcrossBlocksAndBeyondThem) {
  TRecordStore store;
  TMessages plain;
  for (int i = 0; i < 30000; ++i) plain.push_back(Record(i, i));
  plain[123].Subject = std::u16string(3u << 20, u'L');  // longer than any block
  plain[124].Subject = std::u16string(5000, u'M');      // longer than the first blocks
  for (const auto& r : plain) store.push_back(r);
  ASSERT_EQ(store.size(), plain.size());
  for (size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(store[i].ToInfo(), plain[i]) << i;
  EXPECT_EQ(TMessages(store), plain);
  // Repeated fields are kept once: the account, folder and sender texts share their place.
  EXPECT_EQ(store[10].Account.data(), store[11].Account.data());
  EXPECT_EQ(store[10]._Folder.data(), store[9999]._Folder.data());
  EXPECT_LT(store.Bytes(), plain.size() * 400 + (3u << 21) + (1u << 21));
  store.clear();
  EXPECT_TRUE(store.empty());
  store.push_back(plain[5]);
  EXPECT_EQ(store[0].ToInfo(), plain[5]);
}

// Records read in two parts (as two readers of one folder make them) and joined: every record
// whole and in order, the second part's texts taken over without a copy, and the joined store
// growing on as any other.
TEST(RecordStore, AppendTakesOverAnotherStoresRecordsAndTexts) {
  TMessages plain;
  for (int i = 0; i < 40000; ++i) plain.push_back(Record(i, i));
  plain[30000].Subject = std::u16string(3u << 20, u'L');
  TRecordStore first, second;
  for (int i = 0; i < 20001; ++i) first.push_back(plain[size_t(i)]);
  for (size_t i = 20001; i < plain.size(); ++i) second.push_back(plain[i]);
  const char16_t* secondsText = second[5].Subject.data();
  const char16_t* longText = second[30000 - 20001].Subject.data();
  first.Append(std::move(second));
  EXPECT_TRUE(second.empty());
  ASSERT_EQ(first.size(), plain.size());
  EXPECT_EQ(TMessages(first), plain);
  EXPECT_EQ(first[20001 + 5].Subject.data(), secondsText);
  EXPECT_EQ(first[30000].Subject.data(), longText);
  plain.push_back(Record(7, 7));
  first.push_back(plain.back());
  EXPECT_EQ(TMessages(first), plain);
  TRecordStore empty;
  first.Append(std::move(empty));
  empty.Append(std::move(first));
  EXPECT_EQ(TMessages(empty), plain);
}

// A store that holds whole chunks of records takes another's chunks over as they stand: small
// and large second stores, and records added after them.
TEST(RecordStore, AppendAfterWholeChunksTakesTheEntriesOver) {
  const size_t chunk = TRecordStore::kChunkRecords;
  for (size_t second : {size_t(1), size_t(70), chunk, chunk + 5}) {
    TMessages plain;
    for (size_t i = 0; i < chunk + second; ++i) plain.push_back(Record(int(i), double(i)));
    TRecordStore first, other;
    for (size_t i = 0; i < chunk; ++i) first.push_back(plain[i]);
    for (size_t i = chunk; i < plain.size(); ++i) other.push_back(plain[i]);
    first.Append(std::move(other));
    EXPECT_TRUE(other.empty());
    for (int k = 0; k < 3; ++k) {
      plain.push_back(Record(k, 1e6 + k));
      first.push_back(plain.back());
    }
    ASSERT_EQ(TMessages(first), plain) << second;
  }
}

TEST(RecordStore, DateSortGivesThePlainSortsOrderAlsoForEqualDates) {
  std::mt19937 random(11);
  for (int round = 0; round < 100; ++round) {
    TMessages plain;
    const int n = int(random() % 300);
    const bool ascending = round % 5 == 0;
    for (int i = 0; i < n; ++i) plain.push_back(Record(i, ascending ? i : double(random() % 20)));
    TRecordStore store;
    for (const auto& r : plain) store.push_back(r);
    SortMessagesByDate(plain);
    SortMessagesByDate(store);
    ASSERT_EQ(TMessages(store), plain) << "round " << round;
  }
}

}  // namespace
}  // namespace kv
