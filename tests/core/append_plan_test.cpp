#include "core/append_plan.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kv
