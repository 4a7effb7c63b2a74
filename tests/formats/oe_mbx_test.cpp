// The .mbx/.idx reader over folders the fixture builder writes: records from the .idx file,
// records from the message headers when it is missing, and damaged files.
#include <gtest/gtest.h>

#include <map>

#include "base/codepage.h"
#include "formats/counting_stream.h"
#include "formats/maildate.h"
#include "formats/mbx_reader.h"
#include "formats/read_cache.h"
#include "support/dbx_builder.h"
#include "support/eml_builder.h"
#include "support/mbx_builder.h"

namespace kv {
namespace {

using fixtures::EmlBuilder;
using fixtures::FileTimeUtc;
using fixtures::MbxBuilder;
using fixtures::MbxFolder;
using fixtures::MbxMessage;
using fixtures::PutU32;

struct MemoryFiles {
  std::map<std::u16string, std::string> Files;
  TOEFiles Access() {
    return {[this](const std::u16string& path) -> std::unique_ptr<IReadStream> {
              auto it = Files.find(path);
              if (it == Files.end()) throw EKolvaneError(std::string("cannot open file"));
              return std::make_unique<TMemoryReadStream>(it->second);
            },
            [this](const std::u16string& path) { return Files.count(path) > 0; }};
  }
};

constexpr char16_t kMbx[] = u"/mail/Inbox.mbx";
constexpr char16_t kIdx[] = u"/mail/Inbox.idx";

std::unique_ptr<TOEReader> Open(MemoryFiles& files) { return CreateOEReader(files.Access(), kMbx); }

std::unique_ptr<TMBXReader> OpenUtc(MemoryFiles& files) {
  auto r = std::make_unique<TMBXReader>(files.Access());
  r->SetConvertTimeToLocal(false);
  r->LoadFromFile(kMbx);
  r->ReadMessages();
  return r;
}

std::u16string Failure(MemoryFiles& files) {
  try {
    Open(files);
  } catch (const EKolvaneError& e) {
    return e.Message();
  }
  return u"(loaded)";
}

MbxMessage Message(const std::string& subject, const std::string& extra = "") {
  MbxMessage m;
  m.Text =
      "From: ann@example.org\r\nSubject: " + subject + "\r\n" + extra + "\r\nbody of " + subject;
  m.Subject = subject;
  m.SenderEmail = "ann@example.org";
  return m;
}

TEST(MbxReader, TakesTheRecordsFromTheIndexFile) {
  MbxBuilder b;
  MbxMessage a = Message("one");
  a.Received = FileTimeUtc(1998, 3, 4, 5, 6, 7);
  a.Priority = 1;
  a.Flags = 0x4080;
  a.ReceiverEmail = "bob@example.org";
  a.Server = "pop.example.org";
  a.Account = "Example";
  a.Id = 4000000000u;
  b.Add(a).Add(Message("two")).Add(Message("three"));
  b.SetIndexGap(40);
  const MbxFolder f = b.Build();
  MemoryFiles files;
  files.Files[kMbx] = f.Mbx;
  files.Files[kIdx] = f.Idx;
  auto r = OpenUtc(files);

  EXPECT_EQ(r->FolderName(), u"Inbox");
  EXPECT_EQ(TMBXReader::IndexFileName(u"C:\\a.b\\Inbox"), u"C:\\a.b\\Inbox.idx");
  ASSERT_EQ(r->MessageCount(), 3u);
  const TMessages& m = r->Messages();
  EXPECT_EQ(m[0].Address, 80u);
  EXPECT_EQ(m[1].Address, f.IdxRecords[1]);
  EXPECT_EQ(m[2].Address, f.IdxRecords[2]);
  EXPECT_EQ(m[0].Subject, u"one");
  EXPECT_EQ(m[0].SenderEmail, u"ann@example.org");
  EXPECT_EQ(m[0].ReceiverEmail, u"bob@example.org");
  EXPECT_EQ(m[0].Server, u"pop.example.org");
  EXPECT_EQ(m[0].Account, u"Example");
  EXPECT_EQ(m[0].ID, u"4000000000");
  EXPECT_EQ(m[0].Flags, 0x4080u);
  EXPECT_EQ(m[0].Priority, 1u);
  EXPECT_EQ(m[0].DataOffset, 100u);
  EXPECT_EQ(m[0].Size, a.Text.size());
  EXPECT_NEAR(m[0].ReceivedDate, *EncodeDateTime({1998, 3, 4, 5, 6, 7, 0}), 1e-9);
  EXPECT_TRUE(m[0].SenderName.empty());
  EXPECT_TRUE(m[0].Received.empty());
  EXPECT_EQ(m[2].Subject, u"three");
  EXPECT_EQ(r->GetHeaderText(1), u"From: ann@example.org\r\nSubject: two\r");
  EXPECT_EQ(r->GetMessageText(2), Cp1252ToUtf16(Message("three").Text));
  EXPECT_EQ(r->GetHeaderText(3), u"");
}

TEST(MbxReader, WithoutIndexFileReadsTheMessageHeaders) {
  MbxBuilder b;
  b.Add({.Text = EmlBuilder()
                     .Field("from", "\"Ann Lee\" <ann@example.org>")
                     .Subject(fixtures::EncodedWord("iso-8859-1", "Caf\xE9; open", 'Q'))
                     .Date("Mon, 5 Jan 2013 10:20:30 +0100")
                     .Body("body\r\n")
                     .Build(),
         .Id = 17});
  b.Add({.Text = "Subject: no date\r\n\r\nDate: Tue, 6 Jan 2013 10:00:00 +0000\r\n"});
  MemoryFiles files;
  files.Files[kMbx] = b.Build().Mbx;
  auto r = Open(files);
  const TMessages& m = r->Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].Subject, u"Caf\u00E9; open");
  EXPECT_EQ(m[0].SenderName, u"\"Ann Lee\" <ann@example.org>");
  EXPECT_EQ(m[0].Received, u"Mon, 5 Jan 2013 10:20:30 +0100");
  EXPECT_DOUBLE_EQ(m[0].ReceivedDate, ParseMailDate(u"Mon, 5 Jan 2013 10:20:30 +0100"));
  EXPECT_NE(m[0].ReceivedDate, 0);
  EXPECT_EQ(m[0].ID, u"17");
  EXPECT_EQ(m[0].Flags, 0x80u);
  EXPECT_EQ(m[0].Index, 0u);
  EXPECT_EQ(m[0].DataOffset, 100u);
  EXPECT_TRUE(m[0].SenderEmail.empty());
  // A Date line in the body is no header field.
  EXPECT_EQ(m[1].Subject, u"no date");
  EXPECT_EQ(m[1].Received, u"");
  EXPECT_EQ(m[1].ReceivedDate, 0);
  EXPECT_EQ(m[1].Index, 1u);
}

TEST(MbxReader, WalksMessagesByTheirTotalSizes) {
  MbxBuilder b;
  MbxMessage first = Message("one");
  first.Padding = 0x200 - 16 - first.Text.size();  // TotalMsgSize 0x200
  b.Add(first).Add(Message("two"));
  MemoryFiles files;
  files.Files[kMbx] = b.Build().Mbx;
  auto r = CreateOEReader(files.Access(), kMbx);
  auto& mbx = dynamic_cast<TMBXReader&>(*r);
  ASSERT_EQ(mbx.MessageHeaders().size(), 2u);
  EXPECT_EQ(mbx.MessageHeaders()[0].Header.TotalMsgSize, 0x200u);
  EXPECT_EQ(mbx.MessageHeaders()[1].StartingOffset, 612u);
  EXPECT_EQ(r->Messages()[1].Subject, u"two");
}

TEST(MbxReader, GathersLongHeadersFromSeveralChunks) {
  const std::string longField = "X-Long: " + std::string(1480, 'x') + "\r\n";
  MbxBuilder b;
  b.Add(Message("first", longField)).Add(Message("second"));
  MemoryFiles files;
  files.Files[kMbx] = b.Build().Mbx;
  auto r = Open(files);
  EXPECT_GT(r->GetHeaderText(0).size(), 1500u);
  EXPECT_EQ(r->Messages()[0].Subject, u"first");
  EXPECT_EQ(r->Messages()[1].Subject, u"second");
}

TEST(MbxReader, RefusesBadFiles) {
  MemoryFiles files;
  MbxBuilder b;
  b.Add(Message("one"));
  std::string good = b.Build().Mbx;

  files.Files[kMbx] = good.substr(0, 60);
  EXPECT_EQ(Failure(files), kOEReadError);

  std::string empty = good;
  PutU32(empty, 8, 0);
  files.Files[kMbx] = empty;
  EXPECT_EQ(Failure(files), kOENoMessages);

  MbxBuilder zero;
  zero.Add(Message("one")).Add({.Text = "x", .MsgSize = 0});
  files.Files[kMbx] = zero.Build().Mbx;
  EXPECT_EQ(Failure(files), kOENoText);

  files.Files[kMbx] = good;
  TMBXReader direct(files.Access());
  files.Files[u"x.dbx"] = fixtures::DbxBuilder().Add({.Subject = "s"}).Build().Bytes;
  EXPECT_THROW(direct.LoadFromFile(u"x.dbx"), EOEReaderException);
  EXPECT_FALSE(direct.Loaded());
}

TEST(MbxReaderDamaged, BadIndexFiles) {
  MbxBuilder b;
  b.Add(Message("one")).Add(Message("two")).Add(Message("three"));
  const MbxFolder f = b.Build();
  MemoryFiles files;
  files.Files[kMbx] = f.Mbx;

  std::string wrong = f.Idx;
  wrong[3] = '8';  // "JMF8"
  files.Files[kIdx] = wrong;
  EXPECT_EQ(Open(files)->Messages(), TMessages(3));

  files.Files[kIdx] = f.Idx.substr(0, f.IdxRecords[1] + 100);  // ends inside record 2
  auto early = Open(files);
  EXPECT_EQ(early->Messages()[0].Subject, u"one");
  EXPECT_EQ(early->Messages()[2], TMessageInfo{});

  std::string longString = f.Idx;  // a string longer than the file
  PutU32(longString, f.IdxRecords[1] + fixtures::kIdxFixedBytes, 0xFFFFFFF0);
  files.Files[kIdx] = longString;
  auto cut = Open(files);
  EXPECT_EQ(cut->Messages()[0].Subject, u"one");
  EXPECT_EQ(cut->Messages()[2], TMessageInfo{});

  std::string loop = f.Idx;  // every record names the first as the next
  for (uint32_t at : f.IdxRecords) {
    PutU32(loop, at + 12, 0);
    PutU32(loop, at + 16, 80);
  }
  PutU32(loop, 8, 0xFFFFFFFF);
  files.Files[kIdx] = loop;
  auto looped = Open(files);
  ASSERT_EQ(looped->Messages().size(), 3u);
  EXPECT_EQ(looped->Messages()[2].Subject, u"one");

  files.Files[kIdx] = "JM";
  EXPECT_EQ(Open(files)->Messages(), TMessages(3));
}

TEST(MbxReaderDamaged, BadMessageHeaders) {
  MemoryFiles files;
  {
    MbxBuilder b;  // a total size of 0 would stand on the same message forever
    MbxMessage m = Message("one");
    m.TotalMsgSize = 0;
    b.Add(m).Add(Message("two"));
    b.SetMessageCount(1000000);
    files.Files[kMbx] = b.Build().Mbx;
    auto r = Open(files);
    EXPECT_LE(r->MessageCount(), files.Files[kMbx].size() / 16);
    EXPECT_EQ(r->Messages()[0].Subject, u"one");
    EXPECT_EQ(r->Messages()[1], TMessageInfo{});
  }
  {
    MbxBuilder b;  // a header without blank line never takes the next message's header
    b.Add({.Text = "Subject: cut\r\nFrom: x"}).Add(Message("two"));
    files.Files[kMbx] = b.Build().Mbx;
    auto r = Open(files);
    EXPECT_EQ(r->GetHeaderText(0), u"");
    EXPECT_EQ(r->Messages()[0].Subject, u"");
    EXPECT_EQ(r->Messages()[1].Subject, u"two");
  }
  {
    // A message size past the next message: the header scan ends where the total size puts
    // the next message header, so no line of the next message (found in the scan's second
    // chunk, beyond that header's NUL bytes) joins the header of this one.
    std::string text = "Subject: cut\r\nFrom: x\r\nX-Pad: ";
    text += std::string(1000 - text.size(), 'p');
    MbxMessage cut{.Text = text};
    cut.MsgSize = 0x7FFFFFFF;
    MbxBuilder b;
    b.Add(cut).Add(Message("two"));
    files.Files[kMbx] = b.Build().Mbx;
    auto r = Open(files);
    EXPECT_EQ(r->GetHeaderText(0), u"");
    EXPECT_EQ(r->Messages()[0].Subject, u"");
    EXPECT_EQ(r->Messages()[1].Subject, u"two");
  }
  {
    // Many messages without a blank line that each claim a text to the end of the file: the
    // header scans still read each part of the file about once, not once per message before
    // it (the file spans more windows than the read cache keeps).
    MbxBuilder b;
    for (int i = 0; i < 200; ++i) {
      MbxMessage m{.Text =
                       "Subject: m" + std::to_string(i) + "\r\nX-Pad: " + std::string(2000, 'p')};
      m.MsgSize = 0xFFFFFFF0;
      b.Add(m);
    }
    const std::string mbx = b.Build().Mbx;
    ASSERT_GT(mbx.size(), 6 * TReadCache::kWindowSize);
    uint64_t read = 0;
    TOEFiles counted{[&](const std::u16string&) -> std::unique_ptr<IReadStream> {
                       return std::make_unique<test::TCountingStream>(mbx, read);
                     },
                     [](const std::u16string&) { return false; }};
    auto r = CreateOEReader(counted, kMbx);
    ASSERT_EQ(r->Messages().size(), 200u);
    EXPECT_EQ(r->Messages()[199].Subject, u"");
    EXPECT_LE(read, 3 * mbx.size());
  }
  {
    MbxBuilder b;  // a message size beyond the end of the file
    MbxMessage m = Message("one");
    m.MsgSize = 0x7FFFFFFF;
    b.Add(m);
    files.Files[kMbx] = b.Build().Mbx;
    auto r = Open(files);
    EXPECT_EQ(r->Messages()[0].Subject, u"one");
    EXPECT_EQ(r->GetMessageText(0), Cp1252ToUtf16(Message("one").Text));
  }
  {
    MbxBuilder b;  // sizes that no longer lead to the next header: found by its marker
    MbxMessage shrunk = Message("one");
    shrunk.TotalMsgSize = uint32_t(16 + shrunk.Text.size() + 9);
    MbxMessage longer = Message("two");
    longer.TotalMsgSize = uint32_t(16 + longer.Text.size() - 2);
    b.Add(shrunk).Add(longer).Add(Message("three"));
    files.Files[kMbx] = b.Build().Mbx;
    auto r = Open(files);
    ASSERT_EQ(r->Messages().size(), 3u);
    EXPECT_EQ(r->Messages()[1].Subject, u"two");
    EXPECT_EQ(r->Messages()[2].Subject, u"three");
    EXPECT_EQ(r->Messages()[2].ID, u"3");

    std::string junk = files.Files[kMbx];  // a tail without marker is no message
    PutU32(junk, 8, 4);
    junk += std::string(16, '\0') + "tail";
    files.Files[kMbx] = junk;
    EXPECT_EQ(dynamic_cast<TMBXReader&>(*Open(files)).MessageHeaders().size(), 3u);
  }
}

}  // namespace
}  // namespace kv
