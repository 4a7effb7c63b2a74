#include "core/append_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace kv {
namespace {

TMessageInfo Msg(std::u16string id, double date, uint32_t flags = 0) {
  TMessageInfo r;
  r.ID = std::move(id);
  r.Subject = u"Subject of " + r.ID;
  r.SenderEmail = u"a@example.org";
  r.ReceivedDate = date;
  r.Size = 100;
  r.Flags = flags;
  return r;
}

TStringList Lines(const TMessages& records) {
  TStringList lines;
  FormatMessageLines(records, lines, 0);
  return lines;
}

TEST(AppendPlan, FirstScanAddsEverythingSecondScanNothing) {
  TMessages folder{Msg(u"a", 1), Msg(u"b", 2), Msg(u"c", 3)};
  EXPECT_EQ(RecordsToAppend({}, folder), (std::vector<size_t>{0, 1, 2}));
  EXPECT_TRUE(RecordsToAppend(Lines(folder), folder).empty());
}

TEST(AppendPlan, DeletedNewestAndDelayedOlderMessagesAreHandledByIdentity) {
  TStringList stored = Lines({Msg(u"a", 1), Msg(u"b", 2), Msg(u"c", 3)});
  // "c" was deleted in the client, "d" arrived later, "old" arrived with an older date.
  TMessages folder{Msg(u"old", 0.5), Msg(u"a", 1), Msg(u"b", 2), Msg(u"d", 4)};
  EXPECT_EQ(RecordsToAppend(stored, folder), (std::vector<size_t>{0, 3}));
}

TEST(AppendPlan, FlagsDoNotCountButOtherLifelongFieldsDo) {
  TStringList stored = Lines({Msg(u"a", 1, 0)});
  EXPECT_TRUE(RecordsToAppend(stored, {Msg(u"a", 1, kFlagRead)}).empty());
  TMessageInfo bigger = Msg(u"a", 1);
  bigger.Size = 101;
  EXPECT_EQ(RecordsToAppend(stored, {bigger}).size(), 1u);
}

TEST(AppendPlan, TwinsInTheFolderAreStoredAsOftenAsTheFolderHoldsThem) {
  TMessages folder{Msg(u"a", 1), Msg(u"a", 1)};
  EXPECT_EQ(RecordsToAppend({}, folder).size(), 2u);
  EXPECT_EQ(RecordsToAppend(Lines({Msg(u"a", 1)}), folder), (std::vector<size_t>{1}));
  EXPECT_TRUE(RecordsToAppend(Lines(folder), folder).empty());
}

TEST(AppendPlan, LiveRecordMatchesItsStoredTwinAfterLineCleaningAndRounding) {
  TMessageInfo live = Msg(u"<x;y@host>", 41275.123456789012345);
  live.Subject = u"semi; colon\r\nsplit";
  TStringList stored = Lines({live});
  EXPECT_TRUE(RecordsToAppend(stored, {live}).empty());
  // Half a second apart rounds to another whole second only across the half-second boundary.
  TMessageInfo close = live;
  close.ReceivedDate += 0.2 / 86400.0;
  EXPECT_TRUE(RecordsToAppend(stored, {close}).empty());
  TMessageInfo later = live;
  later.ReceivedDate += 2.0 / 86400.0;
  EXPECT_EQ(RecordsToAppend(stored, {later}).size(), 1u);
}

TEST(AppendPlan, OldLinesWithShiftedFieldsStillCountAsTheyReadBack) {
  // A line written before separators were cleaned: its identity is what it reads back as.
  TStringList stored{u"1;id;0;a;b;;x@y;0.0;;;;;5;0"};
  TMessageInfo readBack;
  ParseMessageLine(stored[0], readBack);
  EXPECT_TRUE(RecordsToAppend(stored, {readBack}).empty());
}

TEST(AppendPlan, DatesOnAndNearTheHalfSecondMatchTheirStoredLines) {
  // 0.00015625 days is 13.5 seconds exactly; the others lie a hair either side of a half.
  for (double date : {41275.00015625, 0.00015625, 41275.5 + 0.5 / 86400, 41275.0 + 13.4999 / 86400,
                      41275.0 + 13.5001 / 86400, 0.0, 73050.99999}) {
    TMessages folder{Msg(u"a", date)};
    EXPECT_TRUE(RecordsToAppend(Lines(folder), folder).empty()) << date;
  }
  // Lines of other writers: fewer decimals, an exponent, a sign.
  for (const char16_t* text : {u"41275.5", u"41275", u"4.12755e4", u"-1.25", u"+41275.25"}) {
    TStringList stored{std::u16string(u"1;id;0;s;;;a@b;") + text + u";;;;;100;0"};
    TMessageInfo readBack;
    ParseMessageLine(stored[0], readBack);
    EXPECT_TRUE(RecordsToAppend(stored, {readBack}).empty()) << std::string(text, text + 3);
  }
}

// Against the rule read literally: each identity is added as often as the folder holds it
// beyond what the stored lines hold, the first ones kept, whatever the order of either side.
TEST(AppendPlan, AgreesWithCountingIdentitiesOverShuffledDeletedAndTwinnedFolders) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    TMessages history;
    const int n = int(random() % 40);
    for (int i = 0; i < n; ++i)
      history.push_back(
          Msg(u"m" + std::u16string(1, char16_t(u'a' + random() % 6)), double(random() % 5)));
    TMessages stored, folder;
    for (const auto& r : history) {
      if (random() % 4 != 0) stored.push_back(r);  // some were never stored
      if (random() % 5 != 0) folder.push_back(r);  // some were deleted in the client
    }
    if (random() % 2) std::shuffle(folder.begin(), folder.end(), random);
    std::map<std::pair<std::u16string, double>, int> left;
    for (const auto& r : stored) ++left[{r.ID, r.ReceivedDate}];
    std::vector<size_t> expected;
    for (size_t i = 0; i < folder.size(); ++i)
      if (left[{folder[i].ID, folder[i].ReceivedDate}]-- <= 0) expected.push_back(i);
    EXPECT_EQ(RecordsToAppend(Lines(stored), folder), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace kv
