// The .dbx listing against the plainest way to make its records: each message-info object copied
// whole, every text decoded where it is met, the date through the calendar, the size by walking
// each chain on its own. Both must give the same records, field by field and bit by bit, over the
// real files, over generated folders of every shape and over thousands of damaged ones, listed in
// one part and in several. Then what the listing reads through: the read cache's views, the reads
// of shared chains, a disk that fails under one of the parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#include "base/codepage.h"
#include "formats/counting_stream.h"
#include "formats/dbx_reader.h"
#include "formats/maildate.h"
#include "formats/read_cache.h"
#include "support/dbx_builder.h"
#include "support/realdata.h"
#include "support/time_zone.h"

namespace kv {
namespace {

using fixtures::DbxAttribute;
using fixtures::DbxBuilder;
using fixtures::DbxFile;
using fixtures::DbxMessage;
using fixtures::FileTimeUtc;
using fixtures::PutU32;
using oe_detail::U32;

// --- the plain way ---------------------------------------------------------------------------

std::string_view BytesAt(std::string_view file, uint64_t at, uint64_t count) {
  return at < file.size() ? file.substr(size_t(at), size_t(count)) : std::string_view();
}

const unsigned char* Raw(std::string_view bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

TDateTime PlainDate(TFileTime fileTime, bool toLocal) {
  const std::optional<TCalendar> c = FileTimeToCalendar(fileTime);
  const std::optional<TDateTime> utc = c ? EncodeDateTime(*c) : std::nullopt;
  if (!utc) return 0;
  return toLocal ? UTCToLocalDateTime(*utc) : *utc;
}

uint32_t PlainChainSize(std::string_view file, uint32_t block) {
  std::set<uint32_t> seen;
  uint32_t size = 0;
  while (block != 0 && seen.insert(block).second) {
    const std::string_view header = BytesAt(file, block, kDbxBlockHeaderSize);
    if (header.size() < kDbxBlockHeaderSize) break;
    size += U32(Raw(header) + 8);
    block = U32(Raw(header) + 12);
  }
  return size;
}

TMessageInfo PlainRecord(std::string_view file, uint32_t address, bool toLocal) {
  TMessageInfo m;
  if (address == 0) return m;
  m.Address = address;
  const std::string_view head = BytesAt(file, address, kDbxInfoHeaderSize);
  if (head.size() < kDbxInfoHeaderSize) return m;
  const std::string_view body =
      BytesAt(file, uint64_t(address) + kDbxInfoHeaderSize, U32(Raw(head) + 4) & 0xFFFF);
  const size_t entries = Raw(head)[10];
  for (size_t k = 0; k < entries && 4 * k + 4 <= body.size(); ++k) {
    const unsigned char* e = Raw(body) + 4 * k;
    const uint32_t value = e[1] | e[2] << 8 | e[3] << 16;
    if (e[0] == dbxIndexDirect) m.Index = value;
    if (e[0] == dbxFlagsDirect) m.Flags = value;
    if (e[0] == dbxDataOffsetDirect) m.DataOffset = value;
    if (e[0] == dbxPriorityDirect) m.Priority = value;
    if (e[0] & 0x80 || 4 * entries + value >= body.size()) continue;
    const std::string_view data = body.substr(4 * entries + value);
    const std::u16string text = Cp1252ToUtf16(data.substr(0, data.find('\0')));
    const uint32_t number = data.size() >= 4 ? U32(Raw(data)) : 0;
    switch (e[0]) {
      case dbxFlags: m.Flags = data.size() >= 4 ? number : m.Flags; break;
      case dbxDataOffset: m.DataOffset = data.size() >= 4 ? number : m.DataOffset; break;
      case dbxPriority: m.Priority = data.size() >= 4 ? number : m.Priority; break;
      case dbxReceived:
        if (data.size() >= 8) m.ReceivedDate = PlainDate({number, U32(Raw(data) + 4)}, toLocal);
        break;
      case dbxMessageId: m.ID = text; break;
      case dbxSubject: m.Subject = text; break;
      case dbxServer: m.Server = text; break;
      case dbxSenderName: m.SenderName = text; break;
      case dbxSenderEmail: m.SenderEmail = text; break;
      case dbxReceiverName: m.ReceiverName = text; break;
      case dbxReceiverEmail: m.ReceiverEmail = text; break;
      case dbxAccount: m.Account = text; break;
      default: break;
    }
  }
  m.Size = PlainChainSize(file, m.DataOffset);
  return m;
}

// A file that shrank after it was opened: its size says more than it holds.
class TShrunkStream final : public IReadStream {
 public:
  TShrunkStream(std::string bytes, uint64_t size) : FBytes(std::move(bytes)), FSize(size) {}
  uint64_t Size() const override { return FSize; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    return offset < FBytes.size() ? FBytes.copy(static_cast<char*>(buffer), count, offset) : 0;
  }

 private:
  std::string FBytes;
  uint64_t FSize;
};

// Lists `bytes` (claiming `claimedSize` bytes, when given) in one part and in three, and compares
// every record with the plain way's. Files the reader refuses have no records to compare.
testing::AssertionResult ListedAsPlain(const std::string& bytes, bool toLocal,
                                       std::optional<uint64_t> claimedSize = std::nullopt) {
  TOEFiles files{[&](const std::u16string&) -> std::unique_ptr<IReadStream> {
                   return std::make_unique<TShrunkStream>(bytes,
                                                          claimedSize.value_or(bytes.size()));
                 },
                 [](const std::u16string&) { return false; }};
  for (const size_t parts : {1, 3}) {
    TDBXReader r(files);
    r.SetConvertTimeToLocal(toLocal);
    r.SetPartSize(parts == 1 ? SIZE_MAX : 1, parts);
    try {
      r.LoadFromFile(u"f.dbx");
    } catch (const EKolvaneError&) {
      return testing::AssertionSuccess();
    }
    r.ReadMessages();
    if (r.Messages().size() != r.ValueArray().size())
      return testing::AssertionFailure()
             << r.Messages().size() << " records for " << r.ValueArray().size() << " messages";
    for (size_t i = 0; i < r.ValueArray().size(); ++i) {
      const TMessageInfo got = r.Messages()[i].ToInfo();
      const TMessageInfo want = PlainRecord(bytes, r.ValueArray()[i], toLocal);
      if (!(got == want))
        return testing::AssertionFailure()
               << parts << " parts, record " << i << " at " << want.Address << ":\n  listed "
               << Utf16ToUtf8(FormatMessageLine(got)) << " size " << got.Size << " date "
               << got.ReceivedDate << "\n  plain  " << Utf16ToUtf8(FormatMessageLine(want))
               << " size " << want.Size << " date " << want.ReceivedDate;
    }
  }
  return testing::AssertionSuccess();
}

// --- folders of every shape ------------------------------------------------------------------

// Bytes of any value but NUL, among them the 0x80..0x9F that Windows-1252 maps apart.
std::string RandomText(std::mt19937& rng, size_t maxLength) {
  std::string s(rng() % (maxLength + 1), '\0');
  for (char& c : s) c = char(1 + rng() % 255);
  return s;
}

uint64_t RandomFileTime(std::mt19937& rng) {
  // Days in 2010 when the zones the tests use changed their offset (Berlin, New York, Lord Howe
  // Island).
  static constexpr int kChanges[][2] = {{3, 28}, {10, 31}, {3, 14}, {11, 7}, {4, 4}, {10, 3}};
  switch (rng() % 6) {
    case 0: {  // any second of a day when the offset changes, or of the day before or after
      const auto [month, day] = kChanges[rng() % std::size(kChanges)];
      return FileTimeUtc(2010, month, day - 1, 0, 0, 0) + uint64_t(rng() % (3 * 86400)) * 10000000 +
             rng() % 10000000;
    }
    case 1: return FileTimeUtc(1970, 1, 1, 0, 0, 0) + uint64_t(rng()) * 10000000 + rng() % 10000;
    case 2: return FileTimeUtc(9999, 12, 31, 22, 0, 0) + (uint64_t(rng()) << 8) % 72000000000;
    case 3: return uint64_t(rng()) % 100000000;    // 1601-01-01
    case 4: return uint64_t(rng()) << 32 | rng();  // anywhere
    default: return FileTimeUtc(1995, 1, 1, 0, 0, 0) + (uint64_t(rng()) << 24 | rng() % 9999);
  }
}

DbxMessage RandomMessage(std::mt19937& rng, const DbxMessage& previous) {
  DbxMessage m;
  m.Subject = RandomText(rng, 60);
  m.MessageId = RandomText(rng, 40);
  // The fields a folder repeats from message to message, now and then the same as before.
  const bool repeat = rng() % 2 == 0;
  m.SenderName = repeat ? previous.SenderName : RandomText(rng, 20);
  m.SenderEmail = repeat ? previous.SenderEmail : RandomText(rng, 30);
  m.ReceiverName = repeat ? previous.ReceiverName : RandomText(rng, 20);
  m.ReceiverEmail = RandomText(rng, 30);
  m.Server = repeat ? previous.Server : RandomText(rng, 15);
  m.Account = repeat ? previous.Account : RandomText(rng, 15);
  m.Received = rng() % 8 ? RandomFileTime(rng) : 0;
  m.Flags = rng() % 4 ? rng() % 0x10000 : rng();
  m.Priority = rng() % 6;
  m.Text = RandomText(rng, rng() % 4 ? 300 : 3000);
  m.BlockSize = 1 + rng() % 600;
  switch (rng() % 8) {
    case 0:  // later entries win, in either form
      m.Extra = {DbxAttribute::Text(dbxSubject, RandomText(rng, 10)),
                 DbxAttribute::U32(dbxFlags, rng()), DbxAttribute::Direct(dbxPriority, rng())};
      break;
    case 1:  // data beyond the body, unknown ids, a date of ~0
      m.Extra = {DbxAttribute::Raw(dbxSenderName, 0xFFFF), DbxAttribute::Raw(dbxReceived, 0x20),
                 DbxAttribute::Text(0x33, "unknown"), DbxAttribute::Direct(0x77, 5),
                 DbxAttribute::FileTime(dbxReceived, ~uint64_t(0))};
      break;
    case 2:  // a text that runs to the end of the body, without its NUL (no text blocks, so
             // the body has no room left over for a data offset in the long form)
      m.Text.clear();
      m.Extra = {{dbxAccount, RandomText(rng, 30), 0}};
      break;
    default: break;
  }
  return m;
}

DbxFile RandomFolder(std::mt19937& rng, size_t count) {
  DbxBuilder b;
  b.SetNodeCapacity(1 + rng() % 51);
  DbxMessage previous;
  for (size_t i = 0; i < count; ++i) {
    DbxMessage m = RandomMessage(rng, previous);
    b.Add(m);
    previous = std::move(m);
  }
  return b.Build();
}

// Offsets where a damaged pointer may lead: the structures of the file and places inside them.
uint32_t SomeStructure(std::mt19937& rng, const DbxFile& f) {
  const fixtures::DbxLayout& L = f.Layout;
  const std::vector<uint32_t>& blocks = L.Blocks[rng() % L.Blocks.size()];
  switch (rng() % 5) {
    case 0: return L.InfoObjects[rng() % L.InfoObjects.size()];
    case 1: return L.Nodes[rng() % L.Nodes.size()];
    case 2: return blocks.empty() ? 0 : blocks[rng() % blocks.size()];
    case 3: return uint32_t(rng() % (f.Bytes.size() + 64));
    default: return rng();
  }
}

// `f` damaged in one of the ways a file on a failing disk or a crashed writer shows.
std::string Damaged(std::mt19937& rng, const DbxFile& f) {
  std::string bytes = f.Bytes;
  const size_t region = bytes.size() - fixtures::kDbxHeaderSize;
  const size_t at = fixtures::kDbxHeaderSize + rng() % region;
  switch (rng() % 5) {
    case 0:  // stray bytes
      for (size_t k = rng() % 16 + 1; k > 0; --k)
        bytes[fixtures::kDbxHeaderSize + rng() % region] = char(rng());
      break;
    case 1:  // pointers that lead elsewhere: loops, shared chains and subtrees
      for (size_t k = rng() % 4 + 1; k > 0; --k)
        PutU32(bytes, (fixtures::kDbxHeaderSize + rng() % region) & ~size_t(3),
               SomeStructure(rng, f));
      break;
    case 2:  // a block chain turned into a loop or joined to another
      for (size_t k = rng() % 4 + 1; k > 0; --k) {
        const std::vector<uint32_t>& blocks = f.Layout.Blocks[rng() % f.Layout.Blocks.size()];
        if (!blocks.empty())
          PutU32(bytes, blocks[rng() % blocks.size()] + fixtures::kDbxBlockNextField,
                 SomeStructure(rng, f));
      }
      break;
    case 3: {  // a message-info object with a damaged length or entry count
      const uint32_t info = f.Layout.InfoObjects[rng() % f.Layout.InfoObjects.size()];
      if (rng() % 2)
        PutU32(bytes, info + 4, rng() % 0x20000);
      else
        bytes[info + 10] = char(rng());
      break;
    }
    default: bytes.resize(at); break;  // cut short
  }
  return bytes;
}

// --- the tests -------------------------------------------------------------------------------

TEST(DbxListing, FileTimesConvertAsThroughTheCalendar) {
  // Zones east and west, with changes of an hour and of half an hour, and the date line.
  for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe",
                           "Asia/Kolkata", "Pacific/Kiritimati", "Pacific/Pago_Pago", "UTC"}) {
    test::TZoneScope scope(zone);
    if (!scope.Applies()) continue;
    std::mt19937 rng(5);
    std::vector<uint64_t> values(20000);
    for (uint64_t& value : values) value = RandomFileTime(rng);
    // In the order made, and sorted: runs of values in the same day, whose offset is kept.
    for (const bool sorted : {false, true}) {
      if (sorted) std::sort(values.begin(), values.end());
      for (const bool toLocal : {false, true}) {
        for (const uint64_t value : values) {
          const TFileTime fileTime = TFileTime::FromValue(value);
          ASSERT_EQ(FileTimeToDateTime(fileTime, toLocal), PlainDate(fileTime, toLocal))
              << zone << " " << value << (sorted ? " in a row" : "");
        }
      }
    }
  }
}

TEST(DbxListing, RealFilesListAsThePlainWay) {
  KV_SKIP_WITHOUT_REAL_DATA(test::RealDataPath("dbx"));
  KOLVANE_IN_ZONE("Europe/Berlin");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::RealDataPath("dbx"))) {
    if (entry.path().extension() != ".dbx") continue;
    SCOPED_TRACE(entry.path().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(ListedAsPlain(bytes, true));
    EXPECT_TRUE(ListedAsPlain(bytes, false));
    ++files;
  }
  EXPECT_GE(files, 4u);
}

TEST(DbxListing, FoldersOfEveryShapeListAsThePlainWay) {
  KOLVANE_IN_ZONE("Europe/Berlin");
  std::mt19937 rng(20240611);
  // Enough messages that message-info objects cross the windows a listing reads through.
  const DbxFile large = RandomFolder(rng, 2600);
  constexpr size_t kWindow = TReadCache::kListingWindowSize;
  size_t crossing = 0;
  for (size_t i = 0; i < large.Layout.InfoObjects.size(); ++i) {
    const uint32_t at = large.Layout.InfoObjects[i];
    const uint32_t end = at + kDbxInfoHeaderSize + fixtures::GetU32(large.Bytes, at + 4);
    crossing += at / kWindow != (end - 1) / kWindow;
  }
  ASSERT_GE(crossing, 2u);
  EXPECT_TRUE(ListedAsPlain(large.Bytes, true));
  EXPECT_TRUE(ListedAsPlain(large.Bytes, false));
  for (int k = 0; k < 40; ++k) {
    SCOPED_TRACE(k);
    const DbxFile f = RandomFolder(rng, 1 + rng() % 60);
    ASSERT_TRUE(ListedAsPlain(f.Bytes, k % 2 == 0));
  }
}

TEST(DbxListing, DamagedFoldersListAsThePlainWay) {
  KOLVANE_IN_ZONE("Europe/Berlin");
  std::mt19937 rng(77);
  for (int base = 0; base < 10; ++base) {
    const DbxFile f = RandomFolder(rng, 2 + rng() % 20);
    for (int k = 0; k < 300; ++k) {
      SCOPED_TRACE(testing::Message() << "folder " << base << ", damage " << k);
      ASSERT_TRUE(ListedAsPlain(Damaged(rng, f), k % 2 == 0));
    }
    // A file that shrank after it was opened, to anywhere past its header.
    const uint64_t kept =
        fixtures::kDbxHeaderSize + rng() % (f.Bytes.size() - fixtures::kDbxHeaderSize);
    ASSERT_TRUE(ListedAsPlain(f.Bytes.substr(0, kept), true, f.Bytes.size()));
  }
}

// --- reading, in parts ----------------------------------------------------------------------

// A disk that fails: a read that covers the byte at `bad` throws, as a file stream does.
class TFailingStream final : public IReadStream {
 public:
  TFailingStream(const std::string& bytes, uint64_t bad) : FBytes(bytes), FBad(bad) {}
  uint64_t Size() const override { return FBytes.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset <= FBad && offset + count > FBad) throw EKolvaneError(std::string("bad sector"));
    return offset < FBytes.size() ? FBytes.copy(static_cast<char*>(buffer), count, offset) : 0;
  }

 private:
  const std::string& FBytes;
  uint64_t FBad;
};

TEST(DbxListing, ReadCacheViewsAreTheBytesItReads) {
  // Around the ends of windows, of the file, and of a file that shrank after it was opened.
  for (const size_t window : {TReadCache::kWindowSize, TReadCache::kListingWindowSize}) {
    std::string bytes(3 * window + 100, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 251);
    for (const uint64_t claimed : {bytes.size(), bytes.size() + 5000}) {
      TShrunkStream viewed(bytes, claimed), read(bytes, claimed);
      TReadCache views(viewed, window), reads(read, window);
      std::string spare, copy;
      for (const uint64_t end : {window, 2 * window, bytes.size()}) {
        for (uint64_t offset = end - 40; offset < end + 40; ++offset) {
          for (const size_t count : {size_t(1), size_t(16), size_t(41), window + 1}) {
            copy.resize(count);
            copy.resize(reads.Read(offset, copy.data(), count));
            ASSERT_EQ(views.View(offset, count, spare), copy) << offset << " " << count;
          }
        }
      }
    }
  }
}

TEST(DbxListing, ChainsSharedByManyMessagesAreReadAboutOnce) {
  // As DbxReaderDamaged.ChainsThatShareBlocksAreWalkedOnce, with a text over more of the
  // listing's larger windows than its cache keeps.
  DbxMessage longText;
  longText.Text = std::string(5 * TReadCache::kWindows * TReadCache::kListingWindowSize / 4, 'x');
  auto build = [&](const std::vector<uint32_t>& starts) {
    DbxBuilder b;
    b.Add(longText);
    for (const uint32_t start : starts) {
      DbxMessage m;
      m.Extra = {DbxAttribute::Direct(dbxDataOffsetDirect, start)};
      b.Add(m);
    }
    return b.Build();
  };
  const std::vector<uint32_t> blocks = build(std::vector<uint32_t>(100, 0xFFFFFF)).Layout.Blocks[0];
  std::vector<uint32_t> starts;
  for (size_t i = 0; i < 100; ++i) starts.push_back(blocks[i * 37 % blocks.size()]);
  const DbxFile f = build(starts);
  uint64_t read = 0;
  TOEFiles counted{[&](const std::u16string&) -> std::unique_ptr<IReadStream> {
                     return std::make_unique<test::TCountingStream>(f.Bytes, read);
                   },
                   [](const std::u16string&) { return false; }};
  auto r = CreateOEReader(counted, u"Inbox.dbx");
  for (size_t i = 0; i < 100; ++i)
    ASSERT_EQ(r->Messages()[i + 1].Size, longText.Text.size() - i * 37 % blocks.size() * 512);
  EXPECT_LE(read, 3 * f.Bytes.size());
}

TEST(DbxListing, PartsLeaveTheRecordsOfOneListerWhenReadingFails) {
  std::mt19937 rng(3);
  const DbxFile f = RandomFolder(rng, 2600);
  const uint32_t bad = f.Layout.InfoObjects[2000];
  ASSERT_GT(bad, TReadCache::kListingWindowSize);  // not in the first window
  TOEFiles files{[&](const std::u16string&) -> std::unique_ptr<IReadStream> {
                   return std::make_unique<TFailingStream>(f.Bytes, bad);
                 },
                 [](const std::u16string&) { return false; }};
  std::vector<TMessages> kept;
  for (const size_t parts : {1, 2, 5}) {
    TDBXReader r(files);
    r.SetPartSize(1, parts);
    r.LoadFromFile(u"f.dbx");
    EXPECT_THROW(r.ReadMessages(), EKolvaneError);
    kept.push_back(r.Messages());
  }
  EXPECT_GT(kept[0].size(), 0u);
  EXPECT_LE(kept[0].size(), 2000u);
  EXPECT_EQ(kept[1], kept[0]);
  EXPECT_EQ(kept[2], kept[0]);
}

TEST(DbxListing, AFolderWhoseFileOpensOnlyOnceIsListedInOnePart) {
  std::mt19937 rng(4);
  const DbxFile f = RandomFolder(rng, 50);
  size_t opened = 0;
  TOEFiles files{[&](const std::u16string&) -> std::unique_ptr<IReadStream> {
                   if (opened++ > 0) throw EKolvaneError(std::string("sharing violation"));
                   return std::make_unique<TMemoryReadStream>(f.Bytes);
                 },
                 [](const std::u16string&) { return false; }};
  TDBXReader r(files);
  r.SetPartSize(1, 4);
  r.LoadFromFile(u"f.dbx");
  r.ReadMessages();
  ASSERT_EQ(r.Messages().size(), 50u);
  for (size_t i = 0; i < 50; ++i)
    EXPECT_EQ(r.Messages()[i].ToInfo(), PlainRecord(f.Bytes, r.ValueArray()[i], true)) << i;
}

}  // namespace
}  // namespace kv
