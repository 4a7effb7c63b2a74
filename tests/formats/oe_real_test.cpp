// Outlook Express files that other programs wrote, read in place from the shared real-data
// folder: every message is listed, and its listed facts agree with the message text itself
// (and, for the .mbx files, with the mbox another converter made of them).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "base/codepage.h"
#include "formats/dbx_reader.h"
#include "formats/address.h"
#include "formats/header.h"
#include "formats/maildate.h"
#include "formats/mbx_reader.h"
#include "support/realdata.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const fs::path kRealData = test::RealDataPath();

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EKolvaneError(std::string("cannot open ") + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whole files read into memory; the real files are small.
TOEFiles DiskFiles() {
  return {[](const std::u16string& path) -> std::unique_ptr<IReadStream> {
            return std::make_unique<TMemoryReadStream>(ReadFile(fs::path(Utf16ToUtf8(path))));
          },
          [](const std::u16string& path) { return fs::exists(fs::path(Utf16ToUtf8(path))); }};
}

std::unique_ptr<TOEReader> OpenUtc(const fs::path& path) {
  const std::u16string name = Utf8ToUtf16(path.string());
  std::unique_ptr<TOEReader> r = CreateOEReader(DiskFiles(), name);
  // Compare instants in UTC, whatever zone the machine is in.
  r->SetConvertTimeToLocal(false);
  r->LoadFromFile(name);
  r->ReadMessages();
  return r;
}

constexpr double kMinute = 1.0 / 1440;

struct DbxExpectation {
  uint32_t Messages;
  std::u16string FolderName;
};

TEST(OERealFiles, DbxFilesListEveryMessageAsItsTextSays) {
  KV_SKIP_WITHOUT_REAL_DATA(kRealData / "dbx");
  // Counts and folder names as the files' own producers give them.
  const std::map<std::string, DbxExpectation> expected = {
      {"iped_test_OutlookDBX.dbx", {28, u"Outbox"}},
      {"mbx2mbox_test4.dbx", {3, u"Sample"}},
      {"mtdbx_test.dbx", {1, u"test"}},
      {"mtdbx_test1.dbx", {1, u"test1"}},
  };
  for (const auto& [file, want] : expected) {
    SCOPED_TRACE(file);
    auto r = OpenUtc(kRealData / "dbx" / file);
    EXPECT_EQ(r->FileType(), TOEFileType::oe5);
    EXPECT_EQ(r->FolderName(), want.FolderName);
    ASSERT_EQ(r->MessageCount(), want.Messages);
    for (uint32_t i = 0; i < r->MessageCount(); ++i) {
      SCOPED_TRACE(i);
      TMessageInfo m;
      r->GetMessageInfo(i, m);
      const std::u16string text = r->GetMessageText(i);
      // The size is the stored text's size, and the text's header is the listed header.
      EXPECT_EQ(m.Size, text.size());
      const std::u16string header = r->GetHeaderText(i);
      ASSERT_FALSE(header.empty());
      EXPECT_EQ(text.compare(0, header.size(), header), 0);

      TEMLHeader h;
      ReadEMLHeader(Utf16ToCp1252(text), h);
      // Outlook Express keeps the subject in the system's 8-bit code page: characters it
      // lacks (the emoji in several subjects of iped_test_OutlookDBX.dbx) are stored as "?".
      EXPECT_EQ(m.Subject, Cp1252ToUtf16(Utf16ToCp1252(h.Subject)));
      std::u16string name, email;
      SplitAddress(h.From, name, email);
      EXPECT_EQ(m.SenderEmail, email);
      EXPECT_EQ(m.SenderName, name);
      if (!m.ID.empty()) {
        EXPECT_EQ(m.ID, h.MessageId);
      }
      // The stored date is the time of receipt (of sending, for the Outbox): within an hour
      // of the Date field, except for the spam in mtdbx_test.dbx, whose Date field lies by
      // four hours; that one is checked against the time its producer's tests give.
      ASSERT_NE(m.ReceivedDate, 0);
      if (file == "mtdbx_test.dbx") {
        EXPECT_NEAR(m.ReceivedDate, *EncodeDateTime({2002, 4, 14, 0, 27, 57, 0}), kMinute / 60);
      } else {
        EXPECT_NEAR(m.ReceivedDate, ParseMailDateUtc(h.Date), 60 * kMinute) << Utf16ToUtf8(h.Date);
      }
    }
  }
}

TEST(OERealFiles, DbxFieldsGivenByTheirProducers) {
  KV_SKIP_WITHOUT_REAL_DATA(kRealData / "dbx");
  auto r = OpenUtc(kRealData / "dbx" / "mtdbx_test.dbx");
  const TMessageInfo& m = r->Messages().at(0);
  EXPECT_EQ(m.Subject, u"Please read you won't be sorry........");
  EXPECT_EQ(m.ID, u"<200204140027.g3E0RlgZ025299@ue250-1.rz.RWTH-Aachen.DE>");
  EXPECT_EQ(m.SenderName, u"Wealth_Enterprises_2002");
  EXPECT_EQ(m.SenderEmail, u"off_1@webstation.com");
  EXPECT_EQ(m.Account, u"pbox.dialup.rwth-aachen.de");
  EXPECT_TRUE(m.Flags & kFlagRead);

  auto r1 = OpenUtc(kRealData / "dbx" / "mtdbx_test1.dbx");
  EXPECT_EQ(r1->Messages().at(0).Subject, u"[fmII] centericq 4.7.5 released (Default branch)");
  EXPECT_NEAR(r1->Messages().at(0).ReceivedDate, *EncodeDateTime({2002, 6, 17, 20, 2, 30, 0}),
              kMinute / 60);
}

// The messages of an mbox file, cut at its "From " lines.
std::vector<std::string> MboxMessages(const std::string& mbox) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < mbox.size()) {
    size_t next = mbox.find("\nFrom ", at);
    const size_t body = mbox.find('\n', at) + 1;
    next = next == std::string::npos ? mbox.size() : next + 1;
    out.push_back(mbox.substr(body, next - body));
    at = next;
  }
  return out;
}

TEST(OERealFiles, MbxFilesListEveryMessageAsTheConvertersMboxSays) {
  KV_SKIP_WITHOUT_REAL_DATA(kRealData / "oe4");
  for (const char* name : {"mbx2mbox_test1", "mbx2mbox_test3"}) {
    SCOPED_TRACE(name);
    const fs::path mbx = kRealData / "oe4" / (std::string(name) + ".mbx");
    ASSERT_FALSE(fs::exists(kRealData / "oe4" / (std::string(name) + ".idx")));
    auto r = OpenUtc(mbx);
    EXPECT_EQ(r->FileType(), TOEFileType::oe4);
    EXPECT_EQ(r->FolderName(), Ascii(name));
    const auto peer =
        MboxMessages(ReadFile(kRealData / "oe4" / (std::string(name) + ".expected.mbox")));
    // mbx2mbox_test3.mbx announces 92 messages in its header and holds 3; the records beyond
    // the messages found stay all-zero (size 0, which the collector skips).
    std::vector<TMessageInfo> listed;
    for (const TMessageInfo& m : r->Messages())
      if (m.Size != 0) listed.push_back(m);
    ASSERT_EQ(listed.size(), peer.size());
    for (size_t i = 0; i < peer.size(); ++i) {
      SCOPED_TRACE(i);
      TEMLHeader h;
      ReadEMLHeader(peer[i], h);
      const TMessageInfo& m = listed[i];
      EXPECT_EQ(m.Subject, h.Subject);
      EXPECT_EQ(m.SenderName, Trim(h.From));
      EXPECT_EQ(m.Received, Trim(h.Date));
      EXPECT_NEAR(m.ReceivedDate, ParseMailDate(h.Date), 1e-9);
      EXPECT_NE(m.ReceivedDate, 0);
      EXPECT_EQ(m.Index, i);
      EXPECT_EQ(m.Flags, kFlagRead);
      // The converter's message text is the stored text with LF line ends.
      std::string stored = Utf16ToCp1252(r->GetMessageText(uint32_t(i)));
      std::string lf;
      for (char c : stored)
        if (c != '\r') lf += c;
      EXPECT_EQ(lf.substr(0, 200), peer[i].substr(0, 200));
    }
  }
}

}  // namespace
}  // namespace kv
