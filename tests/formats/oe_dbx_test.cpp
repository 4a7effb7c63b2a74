// The .dbx reader over files the fixture builder writes: fields, index order over trees of
// several levels, attributes in both forms, text blocks, and damaged structures.
#include <gtest/gtest.h>

#include <map>

#include "base/codepage.h"
#include "formats/counting_stream.h"
#include "formats/dbx_reader.h"
#include "formats/read_cache.h"
#include "formats/maildate.h"
#include "support/dbx_builder.h"
#include "support/time_zone.h"

namespace kv {
namespace {

using fixtures::DbxAttribute;
using fixtures::DbxBuilder;
using fixtures::DbxFile;
using fixtures::DbxMessage;
using fixtures::FileTimeUtc;
using fixtures::GetU32;
using fixtures::PutU32;

// Files in memory under their path.
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

std::unique_ptr<TOEReader> Open(const std::string& bytes) {
  MemoryFiles files;
  files.Files[u"Inbox.dbx"] = bytes;
  return CreateOEReader(files.Access(), u"Inbox.dbx");
}

// A reader that keeps UTC dates.
std::unique_ptr<TDBXReader> OpenUtc(MemoryFiles& files, const std::string& bytes) {
  files.Files[u"f.dbx"] = bytes;
  auto r = std::make_unique<TDBXReader>(files.Access());
  r->SetConvertTimeToLocal(false);
  r->LoadFromFile(u"f.dbx");
  r->ReadMessages();
  return r;
}

std::u16string U(const std::string& s) { return Cp1252ToUtf16(s); }

DbxMessage Numbered(size_t i) {
  DbxMessage m;
  m.Subject = "m" + std::to_string(i);
  m.Text = "Subject: m" + std::to_string(i) + "\r\n\r\nbody";
  return m;
}

std::string Messages(size_t count, size_t capacity) {
  DbxBuilder b;
  b.SetNodeCapacity(capacity);
  for (size_t i = 0; i < count; ++i) b.Add(Numbered(i));
  return b.Build().Bytes;
}

TEST(DbxReader, ListsEveryFieldOfAMessage) {
  DbxBuilder b;
  b.SetFolderName("Sent Items");
  DbxMessage m;
  m.Subject = "Caf\xE9 news";
  m.SenderName = "Ann Lee";
  m.SenderEmail = "ann@example.org";
  m.ReceiverName = "Bob";
  m.ReceiverEmail = "bob@example.org";
  m.MessageId = "<1@example.org>";
  m.Server = "pop.example.org";
  m.Account = "Example";
  m.Received = FileTimeUtc(2010, 7, 1, 12, 0, 0);
  m.Flags = 0x4080;
  m.Priority = 1;
  m.Text = "From: a\r\nSubject: b\r\n\r\nbody text";
  b.Add(m);
  MemoryFiles files;
  auto r = OpenUtc(files, b.Build().Bytes);

  EXPECT_EQ(r->FolderName(), u"Sent Items");
  ASSERT_EQ(r->MessageCount(), 1u);
  TMessageInfo info;
  r->GetMessageInfo(0, info);
  EXPECT_EQ(info.Subject, u"Caf\u00E9 news");
  EXPECT_EQ(info.SenderName, u"Ann Lee");
  EXPECT_EQ(info.SenderEmail, u"ann@example.org");
  EXPECT_EQ(info.ReceiverName, u"Bob");
  EXPECT_EQ(info.ReceiverEmail, u"bob@example.org");
  EXPECT_EQ(info.ID, u"<1@example.org>");
  EXPECT_EQ(info.Server, u"pop.example.org");
  EXPECT_EQ(info.Account, u"Example");
  EXPECT_EQ(info.Flags, 0x4080u);
  EXPECT_EQ(info.Priority, 1u);
  EXPECT_EQ(info.Index, 1u);
  EXPECT_EQ(info.Size, m.Text.size());
  EXPECT_NE(info.DataOffset, 0u);
  EXPECT_NEAR(info.ReceivedDate, *EncodeDate(2010, 7, 1) + 0.5, 1e-9);
  EXPECT_TRUE(info.Received.empty());
  EXPECT_EQ(r->GetHeaderText(0), u"From: a\r\nSubject: b\r");
  EXPECT_EQ(r->GetMessageText(0), U(m.Text));

  TMessageInfo past;
  past.Subject = u"stale";
  r->GetMessageInfo(r->MessageCount(), past);
  EXPECT_EQ(past, TMessageInfo{});
}

TEST(DbxReader, KeepsIndexOrderOverTreesOfSeveralLevels) {
  // Capacity 2 gives the root a child before its first entry and a child after each entry.
  for (auto [count, capacity] : {std::pair<size_t, size_t>{5, 2}, {200, 3}, {3000, 51}}) {
    auto r = Open(Messages(count, capacity));
    ASSERT_EQ(r->MessageCount(), count);
    for (size_t i = 0; i < count; ++i) {
      TMessageInfo info;
      r->GetMessageInfo(uint32_t(i), info);
      ASSERT_EQ(info.Subject, Ascii("m" + std::to_string(i))) << count << "/" << capacity;
    }
  }
}

TEST(DbxReader, RefusesFilesThatAreNotMessageDatabases) {
  const std::string good = Messages(1, 51);
  auto failure = [](const std::string& bytes) -> std::u16string {
    try {
      Open(bytes);
    } catch (const EKolvaneError& e) {
      return e.Message();
    }
    return u"(loaded)";
  };
  std::string folderDb = good;
  folderDb[4] = char(0xC6);  // CF AD 12 FE C6 FD 74 6F: a folder database
  EXPECT_EQ(failure(folderDb), kOENotDbx);

  std::string empty = good;
  PutU32(empty, fixtures::kDbxEntryCountField, 0);
  EXPECT_EQ(failure(empty), kOENoMessages);

  EXPECT_EQ(failure("PK\x03\x04 not a mail file"), kOENotSupported);
  EXPECT_EQ(failure("\xCF\xAD"), kOEReadError);            // shorter than a signature
  EXPECT_EQ(failure(good.substr(0, 5000)), kOEReadError);  // shorter than the header

  MemoryFiles none;
  EXPECT_THROW(CreateOEReader(none.Access(), u"missing.dbx"), EKolvaneError);
}

TEST(DbxReader, AttributesInBothFormsAndLaterEntriesWin) {
  DbxBuilder b;
  DbxMessage direct = Numbered(0);
  direct.Attributes = {DbxAttribute::Direct(0x81, 0x80)};
  DbxMessage indirect = Numbered(1);
  indirect.Attributes = {DbxAttribute::U32(0x01, 0x12345678)};
  DbxMessage both = Numbered(2);
  both.Attributes = {DbxAttribute::Direct(0x81, 5),         DbxAttribute::U32(0x01, 7),
                     DbxAttribute::Text(0x08, "first"),     DbxAttribute::Text(0x08, "second"),
                     DbxAttribute::Direct(0x90, 5),         DbxAttribute::Direct(0x77, 1),
                     DbxAttribute::Text(0x33, "unknown id")};
  b.Add(direct).Add(indirect).Add(both);
  auto r = Open(b.Build().Bytes);
  const TMessages& m = r->Messages();
  EXPECT_EQ(m[0].Flags, 0x80u);
  EXPECT_EQ(m[1].Flags, 0x12345678u);
  EXPECT_EQ(m[2].Flags, 7u);
  EXPECT_EQ(m[2].Subject, u"second");
  EXPECT_EQ(m[2].Priority, 5u);
  EXPECT_EQ(m[2].Size, 0u);  // no text blocks
  EXPECT_THROW(r->GetHeaderText(2), EOEReaderException);
}

TEST(DbxReader, SizeAndTextsComeFromTheBlockChain) {
  DbxBuilder b;
  DbxMessage three = Numbered(0);
  three.Text = std::string(1124, 'x');  // blocks of 512, 512 and 100 bytes
  DbxMessage split = Numbered(1);
  split.Text = "From: a\r\nSubject: b\r\n\r\nbody";
  split.BlockSize = 22;  // the first block ends inside the blank line
  DbxMessage noBlank = Numbered(2);
  noBlank.Text = "From: a\r\nSubject: b\r\nno blank line";
  noBlank.BlockSize = 7;
  b.Add(three).Add(split).Add(noBlank);
  const DbxFile f = b.Build();
  ASSERT_EQ(f.Layout.Blocks[0].size(), 3u);
  auto r = Open(f.Bytes);
  EXPECT_EQ(r->Messages()[0].Size, 1124u);
  EXPECT_EQ(r->GetHeaderText(1), u"From: a\r\nSubject: b\r");
  EXPECT_EQ(r->GetHeaderText(2), u"");
  EXPECT_EQ(r->GetMessageText(2), U(noBlank.Text));
  EXPECT_EQ(r->GetMessageText(0), U(three.Text));
  EXPECT_EQ(r->GetHeaderText(99), u"");
}

TEST(DbxReader, ReadsDatesInLocalTimeByTheRulesOfTheirDate) {
  KOLVANE_IN_ZONE("Europe/Berlin");
  DbxBuilder b;
  DbxMessage m = Numbered(0);
  m.Received = FileTimeUtc(2010, 7, 1, 12, 0, 0);
  b.Add(m);
  auto r = Open(b.Build().Bytes);
  EXPECT_NEAR(r->Messages()[0].ReceivedDate, *EncodeDate(2010, 7, 1) + 14.0 / 24, 1e-6);
}

TEST(DbxReader, LoadingAnotherFileReplacesTheRecords) {
  MemoryFiles files;
  files.Files[u"a.dbx"] = Messages(3, 51);
  files.Files[u"b.dbx"] = Messages(7, 2);
  TDBXReader r(files.Access());
  r.LoadFromFile(u"a.dbx");
  r.ReadMessages();
  EXPECT_EQ(r.Messages().size(), 3u);
  r.LoadFromFile(u"b.dbx");
  EXPECT_TRUE(r.Messages().empty());
  r.ReadMessages();
  EXPECT_EQ(r.Messages().size(), 7u);
  EXPECT_EQ(r.FileName(), u"b.dbx");
  EXPECT_EQ(r.FileType(), TOEFileType::oe5);
}

// --- damaged files ---------------------------------------------------------------------------

std::vector<std::u16string> Subjects(const TOEReader& r) {
  std::vector<std::u16string> s;
  for (const TMessageInfo& m : r.Messages()) s.push_back(m.Subject);
  return s;
}

TEST(DbxReaderDamaged, IndexEntriesWithoutValueOrBeyondTheCount) {
  DbxBuilder b;
  b.SetNodeCapacity(2);
  for (size_t i = 0; i < 5; ++i) b.Add(Numbered(i));
  DbxFile f = b.Build();
  // Root: child [m0], entry m1 with child [m2], entry m3 with child [m4].
  const size_t entry0 = f.Layout.RootNode + fixtures::kDbxNodeEntry0;
  ASSERT_EQ(GetU32(f.Bytes, entry0), f.Layout.InfoObjects[1]);
  std::string noValue = f.Bytes;
  PutU32(noValue, entry0, 0);
  auto r = Open(noValue);
  EXPECT_EQ(Subjects(*r), (std::vector<std::u16string>{u"m0", u"m2", u"m3", u"m4", u""}));
  EXPECT_EQ(r->Messages()[4], TMessageInfo{});  // never the file header read as a message

  std::string fewer = f.Bytes;
  PutU32(fewer, fixtures::kDbxEntryCountField, 2);
  EXPECT_EQ(Subjects(*Open(fewer)), (std::vector<std::u16string>{u"m0", u"m1"}));

  std::string huge = f.Bytes;
  PutU32(huge, fixtures::kDbxEntryCountField, 0xFFFFFFFF);
  auto big = Open(huge);
  EXPECT_LE(big->MessageCount(), huge.size() / 12);
  EXPECT_EQ(big->Messages()[4].Subject, u"m4");
}

TEST(DbxReaderDamaged, BadNodesAreSkipped) {
  DbxBuilder b;
  b.SetNodeCapacity(2);
  for (size_t i = 0; i < 5; ++i) b.Add(Numbered(i));
  const DbxFile f = b.Build();
  const uint32_t root = f.Layout.RootNode;
  const uint32_t firstChild = GetU32(f.Bytes, root + fixtures::kDbxNodeChildField);

  std::string tooMany = f.Bytes;
  tooMany[firstChild + fixtures::kDbxNodeCountByte] = char(52);
  EXPECT_EQ(Subjects(*Open(tooMany)),
            (std::vector<std::u16string>{u"", u"m1", u"m2", u"m3", u"m4"}));

  std::string loop = f.Bytes;  // the first child points back at the root
  PutU32(loop, firstChild + fixtures::kDbxNodeChildField, root);
  PutU32(loop, firstChild + fixtures::kDbxNodeChildCountField, 5);
  EXPECT_EQ(Subjects(*Open(loop))[1], u"m1");

  std::string shared = f.Bytes;  // both entries lead to the same child
  PutU32(shared, root + fixtures::kDbxNodeEntry0 + 16, GetU32(f.Bytes, root + 24 + 4));
  EXPECT_EQ(Subjects(*Open(shared)),
            (std::vector<std::u16string>{u"m0", u"m1", u"m2", u"m3", u""}));

  std::string outside = f.Bytes;
  PutU32(outside, fixtures::kDbxRootField, uint32_t(f.Bytes.size() - 100));
  EXPECT_EQ(Open(outside)->Messages(), TMessages(5));

  std::string cut = f.Bytes.substr(0, f.Layout.Nodes[1] + 100);  // a node cut short
  EXPECT_EQ(Subjects(*Open(cut))[1], u"m1");
}

TEST(DbxReaderDamaged, DeepChainsOfNodesEnd) {
  // 3000 nodes, each the only child of the one before: far deeper than any real tree.
  DbxBuilder b;
  b.SetNodeCapacity(1);
  for (size_t i = 0; i < 3; ++i) b.Add(Numbered(i));
  std::string bytes = b.Build().Bytes;
  const size_t base = bytes.size();
  bytes.resize(base + 3000 * fixtures::kDbxNodeBytes, '\0');
  for (size_t k = 0; k < 3000; ++k) {
    const size_t o = base + k * fixtures::kDbxNodeBytes;
    PutU32(bytes, o + fixtures::kDbxNodeChildField,
           k + 1 < 3000 ? uint32_t(o + fixtures::kDbxNodeBytes) : 0);
    PutU32(bytes, o + fixtures::kDbxNodeChildCountField, 1);
  }
  PutU32(bytes, fixtures::kDbxRootField, uint32_t(base));
  auto r = Open(bytes);
  EXPECT_EQ(r->MessageCount(), 3u);
}

TEST(DbxReaderDamaged, BadAttributesAndMessageObjects) {
  DbxBuilder b;
  DbxMessage beyond = Numbered(0);
  beyond.Extra = {DbxAttribute::Raw(0x0D, 0xFFFF), DbxAttribute::Raw(0x12, 0),
                  DbxAttribute::Raw(0x01, 0x100)};
  DbxMessage lastText = Numbered(1);
  lastText.Attributes = {DbxAttribute::Text(0x08, "m1")};
  b.Add(beyond).Add(lastText).Add(Numbered(2));
  DbxFile f = b.Build();
  auto r = Open(f.Bytes);
  EXPECT_EQ(r->Messages()[0].Subject, u"m0");
  EXPECT_EQ(r->Messages()[0].SenderName, u"");

  // A body length past the end of the file, and a text without its NUL at the body's end.
  std::string patched = f.Bytes;
  const uint32_t last = f.Layout.InfoObjects[2];
  PutU32(patched, last + 4, 0xFFFF);
  const uint32_t mid = f.Layout.InfoObjects[1];
  const uint32_t bodyLen = GetU32(patched, mid + 4);
  patched[mid + 12 + bodyLen - 1] = 'Z';
  auto p = Open(patched.substr(0, f.Layout.IndexEnd));
  EXPECT_EQ(p->Messages()[2].Subject, u"m2");
  EXPECT_EQ(p->Messages()[2].Size, 0u);         // its blocks were cut off
  EXPECT_EQ(p->Messages()[1].Subject, u"m1Z");  // the text ends with the body
}

TEST(DbxReaderDamaged, BlockChainsThatLoopOrOverflow) {
  DbxBuilder b;
  DbxMessage m = Numbered(0);
  m.Text = "From: a\r\n" + std::string(100, 'x');  // no blank line
  m.BlockSize = 16;
  b.Add(m).Add(Numbered(1));
  DbxFile f = b.Build();
  const auto& blocks = f.Layout.Blocks[0];
  std::string loop = f.Bytes;
  PutU32(loop, blocks.back() + fixtures::kDbxBlockNextField, blocks[1]);
  auto r = Open(loop);
  EXPECT_EQ(r->Messages()[0].Size, m.Text.size());
  EXPECT_EQ(r->GetHeaderText(0), u"");
  EXPECT_EQ(r->GetMessageText(0), U(m.Text));

  std::string huge = f.Bytes;  // a block claiming more bytes than the file holds
  PutU32(huge, blocks[1] + fixtures::kDbxBlockCountField, 0xFFFFFF00);
  auto h = Open(huge);
  EXPECT_EQ(h->GetMessageText(0), U(m.Text.substr(0, 16)));

  std::string self = f.Bytes;  // a block that names itself as the next
  PutU32(self, blocks[0] + fixtures::kDbxBlockNextField, blocks[0]);
  EXPECT_EQ(Open(self)->Messages()[0].Size, 16u);
}

TEST(DbxReaderDamaged, ChainsThatShareBlocksAreWalkedOnce) {
  // One long text spread over more windows than the read cache keeps, and many messages whose
  // chains start inside it: each record's size is that of its chain from its own block on, and
  // the listing reads the file about once, not once per message.
  DbxMessage longText = Numbered(0);
  longText.Text = "Subject: long\r\n\r\n" + std::string(600000, 'x');
  auto build = [&](const std::vector<uint32_t>& starts) {
    DbxBuilder b;
    b.Add(longText);
    for (size_t i = 0; i < starts.size(); ++i) {
      DbxMessage m = Numbered(i + 1);
      m.Text.clear();
      m.Extra = {DbxAttribute::Direct(0x84, starts[i])};  // the data offset, in the direct form
      b.Add(m);
    }
    return b.Build();
  };
  constexpr size_t kSharing = 100;
  const DbxFile draft = build(std::vector<uint32_t>(kSharing, 0xFFFFFF));
  const std::vector<uint32_t>& blocks = draft.Layout.Blocks[0];
  std::vector<uint32_t> starts;
  for (size_t i = 0; i < kSharing; ++i) starts.push_back(blocks[i * 7 % blocks.size()]);
  const DbxFile f = build(starts);
  ASSERT_EQ(f.Layout.Blocks[0], blocks);  // the same layout with the real offsets
  ASSERT_GT(f.Bytes.size(), 8 * TReadCache::kWindowSize);

  uint64_t read = 0;
  TOEFiles counted{[&](const std::u16string&) -> std::unique_ptr<IReadStream> {
                     return std::make_unique<test::TCountingStream>(f.Bytes, read);
                   },
                   [](const std::u16string&) { return false; }};
  auto r = CreateOEReader(counted, u"Inbox.dbx");
  ASSERT_EQ(r->Messages().size(), kSharing + 1);
  EXPECT_EQ(r->Messages()[0].Size, longText.Text.size());
  for (size_t i = 0; i < kSharing; ++i) {
    const size_t first = i * 7 % blocks.size();
    EXPECT_EQ(r->Messages()[i + 1].Size, longText.Text.size() - first * longText.BlockSize) << i;
  }
  EXPECT_LE(read, 3 * f.Bytes.size());
}

TEST(DbxReaderDamaged, ChainsThatJoinALoopCountEachBlockOnce) {
  // A chain of 130 blocks whose last one leads back to its fourth, and messages whose chains
  // start before the loop, at its entry and inside it, some twice: a size counts every block
  // from its start on once, whichever walk met the blocks first.
  DbxMessage loop = Numbered(0);
  loop.Text = std::string(130 * 16, 'x');
  loop.BlockSize = 16;
  const std::vector<size_t> firsts = {129, 1, 3, 50, 0, 100, 1, 70, 2, 129};
  auto build = [&](const std::vector<uint32_t>& starts) {
    DbxBuilder b;
    b.Add(loop);
    for (size_t i = 0; i < starts.size(); ++i) {
      DbxMessage m = Numbered(i + 1);
      m.Text.clear();
      m.Extra = {DbxAttribute::Direct(0x84, starts[i])};
      b.Add(m);
    }
    return b.Build();
  };
  const std::vector<uint32_t> blocks =
      build(std::vector<uint32_t>(firsts.size(), 0xFFFFFF)).Layout.Blocks[0];
  ASSERT_EQ(blocks.size(), 130u);
  std::vector<uint32_t> starts;
  for (size_t first : firsts) starts.push_back(blocks[first]);
  DbxFile f = build(starts);
  PutU32(f.Bytes, blocks.back() + fixtures::kDbxBlockNextField, blocks[3]);
  auto r = Open(f.Bytes);
  ASSERT_EQ(r->Messages().size(), firsts.size() + 1);
  EXPECT_EQ(r->Messages()[0].Size, 130u * 16);
  for (size_t i = 0; i < firsts.size(); ++i) {
    const size_t distinct = 130 - std::min<size_t>(firsts[i], 3);
    EXPECT_EQ(r->Messages()[i + 1].Size, distinct * 16) << "from block " << firsts[i];
  }
}

}  // namespace
}  // namespace kv
