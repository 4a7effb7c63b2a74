// Scanning the sample tree with each collector finds every folder and every message of the
// manifest, with the fields the manifest gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "base/datetime.h"
#include "collectors/oe.h"
#include "collectors/thunderbird.h"
#include "collectors/winlivemail.h"
#include "collectors/winmail.h"
#include "formats/maildate.h"
#include "samples/samples_support.h"
#include "system/file_search.h"

namespace kv {
namespace {

using samples::TSampleFolder;
using samples::TSampleMessage;
using test::U;

struct TClientCase {
  std::string Name;  // as the manifest names the client
  TEmailClient Id;
  std::function<std::unique_ptr<TVix_EMails>(const TSystemContext&)> Make;
};

std::ostream& operator<<(std::ostream& os, const TClientCase& c) { return os << c.Name; }

template <class T>
std::function<std::unique_ptr<TVix_EMails>(const TSystemContext&)> Maker() {
  return [](const TSystemContext& ctx) { return std::make_unique<T>(ctx); };
}

const TClientCase kClients[] = {
    {"oe", TEmailClient::ecOutlookExpress, Maker<TVix_OE>()},
    {"winmail", TEmailClient::ecWindowsMail, Maker<TVix_WinMail>()},
    {"winlivemail", TEmailClient::ecWindowsLiveMail, Maker<TVix_WinLiveMail>()},
    {"thunderbird", TEmailClient::ecThunderbird, Maker<TVix_Thunderbird>()},
};

// The UTC calendar time of a manifest stamp "YYYY-MM-DDTHH:MM:SSZ".
TCalendar Calendar(const std::string& stamp) {
  TCalendar c;
  EXPECT_EQ(std::sscanf(stamp.c_str(), "%d-%d-%dT%d:%d:%dZ", &c.Year, &c.Month, &c.Day, &c.Hour,
                        &c.Minute, &c.Second),
            6)
      << stamp;
  return c;
}

// The local date-time a collector gives for the message: its UTC time converted by the zone
// rules in force on its own date, for a stored FILETIME and a header date alike (so a message
// keeps its local time whatever season the scan runs in).
TDateTime ExpectedDate(const TSampleMessage& x) {
  if (x.Date.empty()) return 0;
  const TCalendar c = Calendar(x.Date);
  if (x.Client == "oe") {
    std::optional<TFileTime> ft = CalendarToFileTime(c);
    return ft ? FileTimeToDateTime(*ft, true) : -1;
  }
  return UTCToLocalDateTime(EncodeDateTime(c).value_or(-1));
}

// Checks the records of the folder just selected against the manifest.
void CheckFolder(const TVix_EMails& collector, const TClientCase& client, const TSampleFolder& f,
                 const std::vector<TSampleMessage>& expected) {
  SCOPED_TRACE(f.Path);
  const TMessages& records = collector.Records();
  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 1; i < records.size(); ++i) {
    EXPECT_LE(records[i - 1].ReceivedDate, records[i].ReceivedDate) << "sorted by date";
  }
  std::map<std::u16string, const TMessageInfo*> byId;
  for (const TMessageInfo& r : records) {
    EXPECT_TRUE(byId.emplace(r.ID, &r).second) << "ID twice: " << Utf16ToUtf8(r.ID);
  }
  for (const TSampleMessage& x : expected) {
    SCOPED_TRACE(x.Subject);
    auto it = byId.find(U(x.ID));
    ASSERT_NE(it, byId.end()) << "no record with ID " << x.ID;
    const TMessageInfo& r = *it->second;
    EXPECT_EQ(Utf16ToUtf8(r.Subject), x.Subject);
    EXPECT_EQ(Utf16ToUtf8(r.SenderName), x.SenderName);
    EXPECT_EQ(Utf16ToUtf8(r.SenderEmail), x.SenderEmail);
    EXPECT_EQ(Utf16ToUtf8(r.ReceiverName), x.ReceiverName);
    EXPECT_EQ(Utf16ToUtf8(r.ReceiverEmail), x.ReceiverEmail);
    EXPECT_EQ(Utf16ToUtf8(r.Received), x.Received);
    EXPECT_EQ(Utf16ToUtf8(r.Account), x.Account);
    EXPECT_EQ(Utf16ToUtf8(r.Server), x.Server);
    EXPECT_EQ(r.Flags, x.Flags);
    EXPECT_EQ(r.Priority, x.Priority);
    EXPECT_EQ(r.Size, x.Size);
    EXPECT_NEAR(r.ReceivedDate, ExpectedDate(x), 1e-6) << x.Date;
    EXPECT_EQ(Utf16ToUtf8(r._Folder), f.Name);
    EXPECT_EQ(r._Client, client.Id);
  }
}

std::vector<TSampleMessage> MessagesOf(const std::string& folder) {
  std::vector<TSampleMessage> out;
  for (const TSampleMessage& x : test::CommittedManifest().Messages) {
    if (x.Folder == folder) out.push_back(x);
  }
  return out;
}

class SampleScan : public ::testing::TestWithParam<TClientCase> {};

TEST_P(SampleScan, FindsEveryFolderAndMessageOfTheManifest) {
  const TClientCase& client = GetParam();
  std::unique_ptr<TSystemContext> ctx = test::OpenSamples();
  std::unique_ptr<TVix_EMails> collector = client.Make(*ctx);
  collector->GetMailboxFolders(u"", u"");

  std::set<std::u16string> want;
  size_t messages = 0;
  for (const TSampleFolder& f : test::CommittedManifest().Folders) {
    if (f.Client != client.Name || !f.Scanned) continue;
    want.insert(U(f.Path));
    collector->SetFolder(U(f.Path));
    CheckFolder(*collector, client, f, MessagesOf(f.Path));
    messages += f.Messages;
  }
  const TStringList& listed = collector->Folders();
  EXPECT_EQ(std::set<std::u16string>(listed.begin(), listed.end()), want);
  EXPECT_EQ(listed.size(), want.size()) << "a folder listed twice";
  EXPECT_GT(messages, 0u);
}

INSTANTIATE_TEST_SUITE_P(Clients, SampleScan, ::testing::ValuesIn(kClients),
                         [](const auto& info) { return info.param.Name; });

TEST(SampleScanWinLiveMail, StoreGivenListsTheOtherAccountAndStorageFoldersToo) {
  std::unique_ptr<TSystemContext> ctx = test::OpenSamples();
  TVix_WinLiveMail collector(*ctx);
  collector.GetMailboxFolders(u"", U(samples::kWinLiveMailStore));
  const TStringList& listed = collector.Folders();
  const std::set<std::u16string> all(listed.begin(), listed.end());
  size_t unscanned = 0;
  for (const TSampleFolder& f : test::CommittedManifest().Folders) {
    if (f.Client != "winlivemail") continue;
    ASSERT_TRUE(all.count(U(f.Path))) << f.Path;
    collector.SetFolder(U(f.Path));
    CheckFolder(collector, kClients[2], f, MessagesOf(f.Path));
    unscanned += f.Scanned ? 0 : 1;
  }
  EXPECT_GE(unscanned, 3u);
}

TEST(SampleScanOE, ReceiverListsAreJoinedWithCommas) {
  // The index keeps "a; b": the record must hold "a, b" so one record stays one line.
  size_t lists = 0;
  for (const TSampleMessage& x : test::CommittedManifest().Messages) {
    if (x.Client == "oe" && x.ReceiverEmail.find(", ") != std::string::npos) ++lists;
    EXPECT_EQ(x.ReceiverEmail.find(';'), std::string::npos);
  }
  EXPECT_GE(lists, 2u);
}

}  // namespace
}  // namespace kv
