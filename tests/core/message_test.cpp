#include "core/message.h"

#include <clocale>

#include <gtest/gtest.h>

namespace kv {
namespace {

TMessageInfo Sample() {
  TMessageInfo r;
  r.Index = 7;
  r.ID = u"m1";
  r.Flags = 128;
  r.Subject = u"Hi";
  r.SenderName = u"Ann";
  r.SenderEmail = u"ann";
  r.ReceivedDate = 41275.5;
  r.Received = u"Tue, 1 Jan 2013 12:00:00 +0100";
  r.ReceiverName = u"Bob";
  r.ReceiverEmail = u"bob";
  r.Account = u"Home";
  r.Size = 2048;
  r.Priority = 3;
  return r;
}

constexpr std::u16string_view kSampleLine =
    u"7;m1;128;Hi;;Ann;ann;41275.5000000000;Tue, 1 Jan 2013 12:00:00 +0100;Bob;bob;Home;2048;3";

TEST(RecordLine, WritesTheFourteenFieldsAndReadsThemBack) {
  EXPECT_EQ(FormatMessageLine(Sample()), kSampleLine);
  TMessageInfo back;
  back._Marked = true;
  back._Folder = u"stale";
  ParseMessageLine(kSampleLine, back);
  EXPECT_EQ(back, Sample());  // fields outside the line come back cleared
}

TEST(RecordLine, FormatAppendsFromTheStartIndexBehindExistingLines) {
  TMessages records{Sample(), Sample()};
  records[1].Index = 8;
  TStringList lines{u"old"};
  FormatMessageLines(records, lines, 1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], u"old");
  EXPECT_EQ(lines[1].substr(0, 2), u"8;");
  FormatMessageLines(records, lines, 5);
  EXPECT_EQ(lines.size(), 2u);
}

TEST(RecordLine, SeparatorsAndLineBreaksInsideFieldsNeverShiftOrSplitTheRecord) {
  TMessageInfo r = Sample();
  r.Subject = u"a;b";
  r.SenderName = u"x\r\ny";
  r.ReceiverEmail = std::u16string(u"p\0q", 3);
  std::u16string line = FormatMessageLine(r);
  EXPECT_EQ(line.find_first_of(std::u16string(u"\r\n\0", 3)), std::u16string::npos);
  TMessageInfo back;
  ParseMessageLine(line, back);
  EXPECT_EQ(back.Subject, u"a,b");
  EXPECT_EQ(back.SenderName, u"x  y");
  EXPECT_EQ(back.ReceiverEmail, u"p q");
  EXPECT_EQ(back.ReceivedDate, 41275.5);
  EXPECT_EQ(back.Priority, 3u);
}

TEST(RecordLine, ReaderTakesSeparatorsAsTheyStand) {
  TMessageInfo back;
  ParseMessageLine(u"1;id;0;a;b;name;mail;41275.5;rest", back);
  EXPECT_EQ(back.Subject, u"a");
  EXPECT_EQ(back.Server, u"b");
  EXPECT_EQ(back.ReceivedDate, 41275.5);

  // A stored line with a raw ";" in its subject shifts the later fields: the date reads as 0.
  ParseMessageLine(u"7;m1;128;a;b;;Ann;ann;41275.5000000000;x;Bob;bob;Home;2048;3", back);
  EXPECT_EQ(back.Subject, u"a");
  EXPECT_EQ(back.Server, u"b");
  EXPECT_EQ(back.SenderEmail, u"Ann");
  EXPECT_EQ(back.ReceivedDate, 0.0);

  ParseMessageLine(u"12", back);
  EXPECT_EQ(back, TMessageInfo{});
  ParseMessageLine(u"5;x", back);
  EXPECT_EQ(back.Index, 5u);
  EXPECT_TRUE(back.ID.empty());
  EXPECT_EQ(back.Priority, 0u);
  ParseMessageLine(u"", back);
  EXPECT_EQ(back, TMessageInfo{});
}

TEST(RecordLine, UnsignedFieldsTravelThroughTheirSignedReading) {
  TMessageInfo r;
  r.Flags = 0x80000080u;
  r.Size = 0xFFFFFFFFu;
  r.ReceivedDate = -1.25;
  std::u16string line = FormatMessageLine(r);
  EXPECT_NE(line.find(u";-2147483520;"), std::u16string::npos);
  EXPECT_NE(line.find(u";-1.2500000000;"), std::u16string::npos);
  TMessageInfo back;
  ParseMessageLine(line, back);
  EXPECT_EQ(back.Flags, 0x80000080u);
  EXPECT_EQ(back.Size, 0xFFFFFFFFu);
  EXPECT_EQ(back.ReceivedDate, -1.25);
  ParseMessageLine(u"99999999999;;;;;;;;;;;;1;2", back);
  EXPECT_EQ(back.Index, 0u);  // outside the signed 32-bit range
  EXPECT_EQ(back.Size, 1u);
  EXPECT_EQ(back.Priority, 2u);
}

TEST(RecordLine, DecimalCommaLocaleChangesNothing) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(FormatMessageLine(Sample()), kSampleLine);
  TMessageInfo back;
  ParseMessageLine(kSampleLine, back);
  EXPECT_EQ(back.ReceivedDate, 41275.5);
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace kv
