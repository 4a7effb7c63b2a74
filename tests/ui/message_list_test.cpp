#include "ui/message_list.h"

#include <gtest/gtest.h>

#include "support/locale_texts.h"

#include "ui/incremental_search.h"

namespace kv {
namespace {

TLocale English() { return TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain()); }
TLocale German() { return TLocale::FromName("de_DE.UTF-8").value_or(TLocale::Plain()); }

TMessageInfo Message(std::u16string subject, std::u16string senderName = u"",
                     std::u16string senderEmail = u"") {
  TMessageInfo r;
  r.Subject = std::move(subject);
  r.SenderName = std::move(senderName);
  r.SenderEmail = std::move(senderEmail);
  return r;
}

TEST(ListColumns, TableOfEightColumns) {
  const auto& columns = ListColumns();
  std::u16string_view headers[] = {u"",        u"",         u"",         u"Sender",
                                   u"Subject", u"Received", u"Receiver", u"Size [B]"};
  int widths[] = {25, 25, 25, 100, 144, 125, 100, 80};
  for (int i = 0; i < kListColumnCount; ++i) {
    EXPECT_EQ(columns[i].Index, i);
    EXPECT_EQ(columns[i].Header, headers[i]);
    EXPECT_EQ(columns[i].Width, widths[i]);
    EXPECT_EQ(columns[i].Shown, i != lcFlag);
    EXPECT_EQ(columns[i].RightAligned, i == lcSize);
  }
  EXPECT_EQ(columns[0].HeaderImage, TListImage::liHighPriority);
  EXPECT_EQ(columns[1].HeaderImage, TListImage::liPaperclip);
  EXPECT_EQ(columns[2].HeaderImage, TListImage::liFlag);
  EXPECT_EQ(kMainColumn, 4);
}

TEST(CellText, SenderAndReceiverFallBackToTheAddress) {
  TMessageInfo r = Message(u"Hi", u"", u"ann@example.org");
  r.ReceiverEmail = u"bob@example.org";
  TLocale en = English();
  EXPECT_EQ(CellText(r, lcSender, en), u"ann@example.org");
  EXPECT_EQ(CellText(r, lcReceiver, en), u"bob@example.org");
  r.SenderName = u"Ann";
  r.ReceiverName = u"Bob";
  EXPECT_EQ(CellText(r, lcSender, en), u"Ann");
  EXPECT_EQ(CellText(r, lcReceiver, en), u"Bob");
  EXPECT_EQ(CellText(r, lcSubject, en), u"Hi");
  for (int column : {0, 1, 2, 9, -1}) EXPECT_EQ(CellText(r, column, en), u"");
}

TEST(CellText, ReceivedDateInTheLocaleWithTimeOnlyWhenNotMidnight) {
  TLocale en = English(), de = German();
  // Date 0 is the calendar's origin, shown without time.
  EXPECT_EQ(ReceivedText(0, en), test::DateText(en, 1899, 12, 30));
  EXPECT_EQ(ReceivedText(0, de), test::DateText(de, 1899, 12, 30));
  double midnight = *EncodeDate(2013, 1, 2);
  EXPECT_EQ(ReceivedText(midnight, de), test::DateText(de, 2013, 1, 2));
  EXPECT_EQ(ReceivedText(midnight + 1.0 / 86400, de), test::DateTimeText(de, 2013, 1, 2, 0, 0, 1));
  EXPECT_EQ(ReceivedText(midnight + 0.5, en), test::DateTimeText(en, 2013, 1, 2, 12, 0, 0));
  EXPECT_EQ(ReceivedText(midnight + 0.75, TLocale::Plain()), u"2013-01-02 18:00:00");
  // Half a millisecond before midnight rounds to the next day's midnight.
  EXPECT_EQ(ReceivedText(midnight + 1 - 0.4 / 86400000, de), test::DateText(de, 2013, 1, 3));
  // Before 1899 the fraction still counts forward from midnight of that day.
  EXPECT_EQ(ReceivedText(-1.25, de), test::DateTimeText(de, 1899, 12, 29, 6, 0, 0));
  // Values no calendar holds show nothing rather than garbage.
  EXPECT_EQ(ReceivedText(1e300, de), u"");
  EXPECT_EQ(ReceivedText(std::numeric_limits<double>::quiet_NaN(), de), u"");
}

TEST(CellText, SizeWithThousandsSeparator) {
  TMessageInfo r;
  r.Size = 1234567;
  EXPECT_EQ(CellText(r, lcSize, English()), u"1,234,567");
  EXPECT_EQ(CellText(r, lcSize, German()), u"1.234.567");
  r.Size = 0xFFFFFFFF;  // sizes are unsigned: never a negative number
  EXPECT_EQ(CellText(r, lcSize, English()), u"4,294,967,295");
}

TEST(CellImage, PriorityMarksOnlyForHighestAndLowest) {
  TMessageInfo r;
  for (uint32_t p : {0u, 2u, 3u, 4u, 6u}) {
    r.Priority = p;
    EXPECT_EQ(CellImage(r, lcPriority, TImageKind::ikNormal), std::nullopt) << p;
  }
  r.Priority = 1;
  EXPECT_EQ(CellImage(r, lcPriority, TImageKind::ikNormal), TListImage::liHighPriority);
  EXPECT_EQ(CellImage(r, lcPriority, TImageKind::ikSelected), TListImage::liHighPriority);
  EXPECT_EQ(CellImage(r, lcPriority, TImageKind::ikOverlay), std::nullopt);
  r.Priority = 5;
  EXPECT_EQ(CellImage(r, lcPriority, TImageKind::ikState), TListImage::liLowPriority);
}

TEST(CellImage, FlagBitsDecideAttachmentFlagAndEnvelope) {
  TMessageInfo r;
  EXPECT_EQ(CellImage(r, lcAttachment, TImageKind::ikNormal), std::nullopt);
  EXPECT_EQ(CellImage(r, lcFlag, TImageKind::ikNormal), std::nullopt);
  EXPECT_EQ(CellImage(r, lcSender, TImageKind::ikNormal), TListImage::liUnread);
  r.Flags = kFlagAttachment | 0x20 | kFlagRead;
  EXPECT_EQ(CellImage(r, lcAttachment, TImageKind::ikNormal), TListImage::liPaperclip);
  EXPECT_EQ(CellImage(r, lcFlag, TImageKind::ikNormal), TListImage::liFlag);
  EXPECT_EQ(CellImage(r, lcSender, TImageKind::ikNormal), TListImage::liRead);
  EXPECT_EQ(CellImage(r, lcSender, TImageKind::ikOverlay), std::nullopt);
  for (int column : {4, 5, 6, 7, 99})
    EXPECT_EQ(CellImage(r, column, TImageKind::ikNormal), std::nullopt);
  // The flag column exists but is hidden, so a set flag bit is never visible.
  EXPECT_FALSE(ListColumns()[lcFlag].Shown);
}

TEST(CompareRecords, KeysPerColumn) {
  TLocale en = English();
  TMessageInfo a = Message(u"apple", u"", u"zed@example.org"), b = Message(u"Banana", u"Bert");
  EXPECT_EQ(CompareRecords(a, b, lcSubject, en), -1);
  EXPECT_EQ(CompareRecords(b, a, lcSubject, en), 1);
  // An empty sender name sorts by the address that is shown instead.
  EXPECT_EQ(CompareRecords(a, b, lcSender, en), 1);
  a.Priority = 5;
  b.Priority = 1;
  EXPECT_EQ(CompareRecords(a, b, lcPriority, en), 1);
  a.Flags = 0x4000 | 0x80;
  b.Flags = 0x20;
  EXPECT_EQ(CompareRecords(a, b, lcAttachment, en), 1);
  EXPECT_EQ(CompareRecords(a, b, lcFlag, en), -1);
  // Other flag bits do not take part.
  b.Flags = 0x4000 | 0x1;
  EXPECT_EQ(CompareRecords(a, b, lcAttachment, en), 0);
  a.ReceivedDate = 41275.25;
  b.ReceivedDate = 41275.5;
  EXPECT_EQ(CompareRecords(a, b, lcReceived, en), -1);
  a.Size = 0x80000000u;  // unsigned: above 2^31 is large, not negative
  b.Size = 1;
  EXPECT_EQ(CompareRecords(a, b, lcSize, en), 1);
  a.ReceiverName = u"x";
  b.ReceiverEmail = u"x";
  EXPECT_EQ(CompareRecords(a, b, lcReceiver, en), 0);
  EXPECT_EQ(CompareRecords(a, b, 42, en), 0);
}

TEST(IncrementalSearch, FirstRowWhoseSubjectBeginsWithTheTypedText) {
  TMessages records = {Message(u"Report May"), Message(u"report june"), Message(u"Re: lunch"),
                       Message(u"Report April")};
  auto lookup = [&](int32_t i) -> const TMessageInfo& { return records[size_t(i)]; };
  std::vector<int32_t> rows = {3, 2, 1, 0};  // rows in sorted order, not record order
  EXPECT_EQ(FindSubjectPrefix(rows, lookup, u"Re"), 0u);
  EXPECT_EQ(FindSubjectPrefix(rows, lookup, u"Re:"), 1u);
  EXPECT_EQ(FindSubjectPrefix(rows, lookup, u"rep"), 2u);  // case-sensitive
  EXPECT_EQ(FindSubjectPrefix(rows, lookup, u"Report M"), 3u);
  EXPECT_EQ(FindSubjectPrefix(rows, lookup, u"Report Mayday"), std::nullopt);
  EXPECT_EQ(FindSubjectPrefix(rows, lookup, u""), std::nullopt);
  EXPECT_EQ(FindSubjectPrefix({}, lookup, u"R"), std::nullopt);
}

TEST(IncrementalSearch, TypedTextAccumulatesUntilAPause) {
  TIncrementalSearch search;
  EXPECT_EQ(search.Type(u'R', 0), u"R");
  EXPECT_EQ(search.Type(u'e', 500), u"Re");
  EXPECT_EQ(search.Type(u'p', 1499), u"Rep");
  EXPECT_EQ(search.Backspace(1600), u"Re");
  EXPECT_EQ(search.Type(u'x', 2600), u"x");  // a full second later a new text starts
  search.Reset();
  EXPECT_EQ(search.Backspace(2700), u"");
  search.Type(u'\xD83D', 2800);
  search.Type(u'\xDE00', 2801);
  search.Type(u'a', 2802);
  EXPECT_EQ(search.Backspace(2803), u"\U0001F600");
  EXPECT_EQ(search.Backspace(2804), u"");  // the pair goes as one character
}

TEST(FolderTree, TopNodesShowTheTrayDeeperNodesAFolder) {
  EXPECT_EQ(FolderTreeImage(0, TImageKind::ikNormal), TListImage::liMailTray);
  EXPECT_EQ(FolderTreeImage(0, TImageKind::ikSelected), TListImage::liMailTray);
  EXPECT_EQ(FolderTreeImage(1, TImageKind::ikNormal), TListImage::liFolder);
  EXPECT_EQ(FolderTreeImage(5, TImageKind::ikState), TListImage::liFolder);
  EXPECT_EQ(FolderTreeImage(1, TImageKind::ikOverlay), std::nullopt);
}

}  // namespace
}  // namespace kv
