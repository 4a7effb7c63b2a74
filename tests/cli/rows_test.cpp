#include <gtest/gtest.h>

#include "support/locale_texts.h"

#include <sstream>

#include "cli/export_row.h"
#include "cli/list_row.h"

namespace kv {
namespace {

TLocale English() { return TLocale::FromName("en_US.UTF-8").value_or(TLocale::Plain()); }
TLocale German() { return TLocale::FromName("de_DE.UTF-8").value_or(TLocale::Plain()); }

TMessageInfo Sample() {
  TMessageInfo r;
  r._Client = TEmailClient::ecThunderbird;
  r._Folder = u"Inbox";
  r.Index = 7;
  r.ID = u"<m1@example.org>";
  r.Flags = 0x80 | 0x4000;
  r.Subject = u"Hi, \"all\"";
  r.Server = u"imap.example.org";
  r.SenderName = u"Ann";
  r.SenderEmail = u"ann@example.org";
  r.ReceivedDate = *EncodeDateTime(TCalendar{2013, 1, 2, 13, 5, 7, 0});
  r.Received = u"Wed, 2 Jan 2013 13:05:07 +0100";
  r.ReceiverName = u"";
  r.ReceiverEmail = u"bob@example.org";
  r.Account = u"Home";
  r.Size = 1234567;
  r.Priority = 1;
  return r;
}

TEST(ExportRow, ColumnsInOrder) {
  std::vector<std::string> keys;
  for (const auto& c : ExportColumns()) keys.push_back(c.Key);
  EXPECT_EQ(keys, (std::vector<std::string>{"client", "folder", "index", "id", "flags", "subject",
                                            "server", "sender_name", "sender_email",
                                            "received_date", "received", "receiver_name",
                                            "receiver_email", "account", "size", "priority"}));
  EXPECT_EQ(ExportColumns().size(), kExportColumnCount);
}

TEST(ExportRow, EveryFieldOfTheRecord) {
  std::vector<std::u16string> cells;
  ExportCells(Sample(), cells);
  EXPECT_EQ(cells, (std::vector<std::u16string>{u"thunderbird", u"Inbox", u"7", u"<m1@example.org>",
                                                u"16512", u"Hi, \"all\"", u"imap.example.org",
                                                u"Ann", u"ann@example.org", u"2013-01-02T13:05:07",
                                                u"Wed, 2 Jan 2013 13:05:07 +0100", u"",
                                                u"bob@example.org", u"Home", u"1234567", u"1"}));
  TMessageInfo big;
  big.Index = 0xFFFFFFFF;  // stored as -1 in the record line, but the number is unsigned
  big.Flags = 0x80000000;
  ExportCells(big, cells);
  EXPECT_EQ(cells[2], u"4294967295");
  EXPECT_EQ(cells[4], u"2147483648");
  EXPECT_EQ(cells[9], u"");  // date 0: no date
}

TEST(ExportRow, IsoDateTime) {
  EXPECT_EQ(IsoDateTime(0), u"");
  EXPECT_EQ(IsoDateTime(*EncodeDate(2013, 1, 2)), u"2013-01-02T00:00:00");
  EXPECT_EQ(IsoDateTime(1.0 / 86400), u"1899-12-30T00:00:01");
  EXPECT_EQ(IsoDateTime(-1.25), u"1899-12-29T06:00:00");
  // Milliseconds are rounded first, so 59.9996 s is the next minute.
  EXPECT_EQ(IsoDateTime(*EncodeDate(2013, 1, 2) + (59.9996 / 86400)), u"2013-01-02T00:01:00");
  EXPECT_EQ(IsoDateTime(*EncodeDate(1, 1, 1)), u"0001-01-01T00:00:00");
  EXPECT_EQ(IsoDateTime(1e12), u"");
  EXPECT_EQ(IsoDateTime(std::numeric_limits<double>::infinity()), u"");
}

TEST(ExportRow, ClientNames) {
  EXPECT_EQ(ClientName(TEmailClient::ecOutlookExpress), u"oe");
  EXPECT_EQ(ClientName(TEmailClient::ecWindowsMail), u"winmail");
  EXPECT_EQ(ClientName(TEmailClient::ecWindowsLiveMail), u"winlivemail");
  EXPECT_EQ(ClientName(TEmailClient::ecThunderbird), u"thunderbird");
  EXPECT_EQ(ClientName(TEmailClient::ecNone), u"");
  EXPECT_EQ(ClientName(TEmailClient(77)), u"");
  for (const char* name : {"oe", "winmail", "winlivemail", "thunderbird"})
    EXPECT_EQ(ClientName(*ParseClientName(name)), Ascii(name));
  EXPECT_EQ(ParseClientName("Thunderbird"), std::nullopt);
  EXPECT_EQ(ParseClientName(""), std::nullopt);
}

TEST(ListRow, TableShowsMarkersAndTheViewerTexts) {
  std::vector<std::u16string> cells;
  TMessageInfo r = Sample();
  ListCells(r, English(), TOutputFormat::ofTable, false, cells);
  EXPECT_EQ(cells, (std::vector<std::u16string>{u"!@ ", u"Ann", u"Hi, \"all\"",
                                                test::DateTimeText(English(), 2013, 1, 2, 13, 5, 7),
                                                u"bob@example.org", u"1,234,567"}));
  r.Priority = 5;
  r.Flags = 0;
  ListCells(r, German(), TOutputFormat::ofTable, false, cells);
  EXPECT_EQ(cells[0], u"\u2193 *");
  EXPECT_EQ(cells[3], test::DateTimeText(German(), 2013, 1, 2, 13, 5, 7));
  EXPECT_EQ(cells[5], u"1.234.567");
  r.Priority = 2;         // high, but only 1 and 5 are marked
  r.Flags = 0x20 | 0x80;  // the flag bit is never shown
  ListCells(r, German(), TOutputFormat::ofTable, false, cells);
  EXPECT_EQ(cells[0], u"   ");
  EXPECT_EQ(ListColumnsFor(TOutputFormat::ofTable, false)[5].Title, u"Size [B]");
}

TEST(ListRow, RowsOfSeveralFoldersNameClientAndFolder) {
  std::vector<std::u16string> cells;
  // The table adds the two columns only for several folders, in front; the cells follow.
  const auto one = ListColumnsFor(TOutputFormat::ofTable, false);
  const auto several = ListColumnsFor(TOutputFormat::ofTable, true);
  ASSERT_EQ(several.size(), one.size() + 2);
  EXPECT_EQ(several[0].Title, u"Client");
  EXPECT_EQ(several[1].Title, u"Folder");
  ListCells(Sample(), English(), TOutputFormat::ofTable, true, cells);
  ASSERT_EQ(cells.size(), several.size());
  EXPECT_EQ(cells[0], u"thunderbird");
  EXPECT_EQ(cells[1], u"Inbox");
  EXPECT_EQ(cells[2], u"!@ ");
  EXPECT_EQ(cells[7], u"1,234,567");
  // The data forms have them whatever the listing covers.
  for (auto format : {TOutputFormat::ofCsv, TOutputFormat::ofJsonLines})
    for (bool withFolders : {false, true}) {
      const auto columns = ListColumnsFor(format, withFolders);
      ASSERT_GE(columns.size(), 2u);
      EXPECT_EQ(columns[0].Key, "client");
      EXPECT_EQ(columns[1].Key, "folder");
      ListCells(Sample(), English(), format, withFolders, cells);
      EXPECT_EQ(cells.size(), columns.size());
      EXPECT_EQ(cells[1], u"Inbox");
    }
}

TEST(ListRow, DataFormsCarryTypedFields) {
  std::vector<std::u16string> cells;
  ListCells(Sample(), English(), TOutputFormat::ofCsv, false, cells);
  EXPECT_EQ(cells, (std::vector<std::u16string>{u"thunderbird", u"Inbox", u"high", u"true", u"true",
                                                u"Ann", u"Hi, \"all\"",
                                                test::DateTimeText(English(), 2013, 1, 2, 13, 5, 7),
                                                u"bob@example.org", u"1234567"}));
  std::ostringstream out;
  auto writer = MakeRowWriter(TOutputFormat::ofJsonLines, out,
                              ListColumnsFor(TOutputFormat::ofJsonLines, false));
  TMessageInfo r;
  r.Priority = 5;
  r.SenderEmail = u"x@y";
  r._Client = TEmailClient::ecOutlookExpress;
  r._Folder = u"Sent";
  ListCells(r, German(), TOutputFormat::ofJsonLines, false, cells);
  writer->WriteRow(cells);
  writer->Finish();
  EXPECT_EQ(out.str(),
            "{\"client\":\"oe\",\"folder\":\"Sent\",\"priority\":\"low\",\"attachment\":false,"
            "\"read\":false,\"sender\":\"x@y\","
            "\"subject\":\"\",\"received\":\"30.12.1899\",\"receiver\":\"\",\"size\":0}\n");
}

TEST(ListRow, SortOption) {
  EXPECT_EQ(ParseSortOption("subject"), (TSortState{lcSubject, TSortDirection::sdAscending}));
  EXPECT_EQ(ParseSortOption("received"), (TSortState{lcReceived, TSortDirection::sdAscending}));
  EXPECT_EQ(ParseSortOption("received:desc"),
            (TSortState{lcReceived, TSortDirection::sdDescending}));
  EXPECT_EQ(ParseSortOption("Size:ASC"), (TSortState{lcSize, TSortDirection::sdAscending}));
  EXPECT_EQ(ParseSortOption("priority:desc"),
            (TSortState{lcPriority, TSortDirection::sdDescending}));
  EXPECT_EQ(ParseSortOption("attachment"), (TSortState{lcAttachment, TSortDirection::sdAscending}));
  EXPECT_EQ(ParseSortOption("sender"), (TSortState{lcSender, TSortDirection::sdAscending}));
  EXPECT_EQ(ParseSortOption("receiver"), (TSortState{lcReceiver, TSortDirection::sdAscending}));
  for (const char* bad : {"", "flag", "subject:", "subject:up", "date", ":asc", "subject:asc:x"})
    EXPECT_EQ(ParseSortOption(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace kv
