// The history data file's stream codec and line helpers, with the faults mended here: a broken
// zlib stream is reported instead of read as text, and text outside Windows-1252 survives.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/data_file_layout.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/storage_test_util.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"

namespace kv {
namespace {

using test::TScratchDir;

std::string Decompressed(const std::string& compressed) {
  TMemoryStream source(compressed), out;
  ZDecompressStream(source, out);
  return out.Bytes();
}

TEST(StreamNames, FolderNamesBecomeStreamNames) {
  EXPECT_EQ(EncodeStreamName(u"Inbox"), u"Inbox");
  EXPECT_EQ(EncodeStreamName(u"Old!Mail"), u"Old_Mail");
  EXPECT_EQ(EncodeStreamName(u"a:b/c!d"), u"a_b_c_d");
  EXPECT_EQ(EncodeStreamName(u" \tSent Items \r\n"), u"Sent Items");
  EXPECT_EQ(EncodeStreamName(std::u16string(40, u'x')), std::u16string(31, u'x'));
  EXPECT_EQ(DataFileName(u"pc-01", u"Anna"), u"PC-01_ANNA.qmr");
}

TEST(StreamCodec, CompressesWithTheFixedSettingsAndRoundTrips) {
  TMemoryStream lines, packed;
  SaveStreamLines({u"a", u"b"}, packed, ZCompressStream);
  EXPECT_EQ(packed.Position(), 0u);
  EXPECT_EQ(uint8_t(packed.Bytes()[0]), 0x78);    // deflate, 32K window
  EXPECT_EQ(uint8_t(packed.Bytes()[1]) >> 6, 3);  // the level field of levels 7 to 9
  EXPECT_EQ(Decompressed(packed.Bytes()), "a\r\nb\r\n");
  TStringList back;
  EXPECT_EQ(LoadStreamLines(packed, back, ZDecompressStream), TLinesResult::lrComplete);
  EXPECT_EQ(back, (TStringList{u"a", u"b"}));

  TMemoryStream empty;
  SaveStreamLines({}, empty, ZCompressStream);
  EXPECT_GT(empty.Size(), 0u);
  EXPECT_EQ(Decompressed(empty.Bytes()), "");
  EXPECT_EQ(LoadStreamLines(empty, back, ZDecompressStream), TLinesResult::lrComplete);
  EXPECT_TRUE(back.empty());
  TMemoryStream zero;
  EXPECT_EQ(LoadStreamLines(zero, back, ZDecompressStream), TLinesResult::lrComplete);
  EXPECT_TRUE(back.empty());
}

TEST(StreamCodec, PlainTextIsReadAsTextEvenWithTheDecoder) {
  TMemoryStream raw(std::string("first;1\r\nsecond;2\r\n"));
  TStringList lines;
  EXPECT_EQ(LoadStreamLines(raw, lines, ZDecompressStream), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"first;1", u"second;2"}));
  TMemoryStream mixed(std::string("a\rb\nc\r\n\r\nd\0e\r\nf", 16));
  EXPECT_EQ(LoadStreamLines(mixed, lines, nullptr), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"a", u"b", u"c", u"", u"d"}));
  TMemoryStream nul(std::string("one\r\ntwo\r\nth\0ree\r\nfour\r\n", 24));
  EXPECT_EQ(LoadStreamLines(nul, lines, ZDecompressStream), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"one", u"two", u"th"}));
  TMemoryStream utf16(std::string("\xFF\xFEh\0i\0\r\0\n\0", 10));
  EXPECT_EQ(LoadStreamLines(utf16, lines, nullptr), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"hi"}));
  TMemoryStream utf16be(std::string("\xFE\xFF\0h\0i", 6));
  EXPECT_EQ(LoadStreamLines(utf16be, lines, nullptr), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"hi"}));
}

TEST(StreamCodec, ABrokenZlibStreamIsReportedWithTheLinesBeforeTheDamage) {
  TStringList many;
  for (int i = 0; i < 3000; ++i)
    many.push_back(u"line " + IntToStr(i) + u";subject;" + IntToStr(i * 7919));
  TMemoryStream packed;
  SaveStreamLines(many, packed, ZCompressStream);
  std::string cut = packed.Bytes().substr(0, packed.Bytes().size() / 2);
  TMemoryStream broken(cut);
  TStringList lines;
  EXPECT_EQ(LoadStreamLines(broken, lines, ZDecompressStream), TLinesResult::lrDamaged);
  ASSERT_FALSE(lines.empty());
  ASSERT_LT(lines.size(), many.size());
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], many[i]);  // no half line, no garbage

  std::string flipped = packed.Bytes();
  flipped[flipped.size() - 2] ^= 0x55;  // the Adler-32 check fails at the very end
  TMemoryStream bad(flipped);
  EXPECT_EQ(LoadStreamLines(bad, lines, ZDecompressStream), TLinesResult::lrDamaged);
  EXPECT_EQ(lines, many);

  TMemoryStream source(cut), out;
  EXPECT_THROW(ZDecompressStream(source, out), EZlibError);
  EXPECT_EQ(source.Position(), 0u);
}

TEST(StreamCodec, TextOutsideWindows1252IsWrittenAsUtf8WithItsMark) {
  TMemoryStream cp1252, utf8;
  SaveStreamLines({u"Gr\u00fc\u00dfe \u20ac"}, cp1252, nullptr);
  EXPECT_EQ(cp1252.Bytes(),
            "Gr\xFC\xDF"
            "e \x80\r\n");  // byte for byte, no mark
  SaveStreamLines({u"plain", u"\u041f\u0440\u0438\u0432\u0435\u0442 \u4f60\u597d"}, utf8, nullptr);
  EXPECT_EQ(utf8.Bytes().substr(0, 3), "\xEF\xBB\xBF");
  TStringList lines;
  EXPECT_EQ(LoadStreamLines(utf8, lines, nullptr), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"plain", u"\u041f\u0440\u0438\u0432\u0435\u0442 \u4f60\u597d"}));
}

// Kept lines are copied as they stand where their bytes can stay; the stream comes out as the
// plain writer of the same lines makes it, whichever encoding the kept and the new lines need.
TEST(StreamLines, AppendingToKeptLinesGivesWhatWritingAllLinesGives) {
  auto stored = [](const TStringList& lines) {
    TMemoryStream packed;
    SaveStreamLines(lines, packed, ZCompressStream);
    TStoredLines kept;
    EXPECT_EQ(kept.Load(packed, ZDecompressStream), TLinesResult::lrComplete);
    return kept;
  };
  const TStringList cp1252{u"1;a;0;caf\u00e9 \u20ac;;;;0.0;;;;;5;0", u"2;b", u"3;\u0081 undefined"};
  const TStringList other{u"4;\u65e5\u672c;;;;", u"5;\U0001F600"};
  for (const auto& [keptLines, newLines] : std::vector<std::pair<TStringList, TStringList>>{
           {cp1252, {u"6;plain"}},  // stays Windows-1252
           {cp1252, other},         // becomes UTF-8
           {other, {u"7;plain"}},   // stays UTF-8
           {{u"8;x"}, {}},          // nothing new
           {{}, other}}) {
    TStoredLines kept = stored(keptLines);
    TLineSource more;
    more.Count = newLines.size();
    for (const auto& l : newLines) more.FitsCp1252 = more.FitsCp1252 && FitsCp1252(l);
    more.Line = [&added = newLines](size_t i, std::u16string& line) { line = added[i]; };
    TMemoryStream appended, whole;
    SaveStreamLines(&kept, more, appended, ZCompressStream);
    TStringList all = keptLines;
    all.insert(all.end(), newLines.begin(), newLines.end());
    SaveStreamLines(all, whole, ZCompressStream);
    EXPECT_EQ(appended.Bytes(), whole.Bytes()) << all.size();
    TStringList back;
    ASSERT_EQ(LoadStreamLines(appended, back, ZDecompressStream), TLinesResult::lrComplete);
    EXPECT_EQ(back, all);
  }
  // Invalid UTF-8 in a kept line is written as its reading gives it, as any writer would.
  TMemoryStream raw(
      std::string("\xEF\xBB\xBF"
                  "9;\xC3 bad\r\n10;\xE6\x97\xA5\r\n"));
  TStoredLines kept;
  ASSERT_EQ(kept.Load(raw, nullptr), TLinesResult::lrComplete);
  TMemoryStream out;
  SaveStreamLines(&kept, {}, out, nullptr);
  EXPECT_EQ(out.Bytes(),
            "\xEF\xBB\xBF"
            "9;\xEF\xBF\xBD bad\r\n10;\xE6\x97\xA5\r\n");
}

// The codec's streaming writer gives the bytes of one deflate over the whole text, however the
// text arrives.
TEST(StreamCodec, TheStreamingWriterGivesTheWholeTextsBytes) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "line " + std::to_string(i * 7919 % 100003) + ";x\r\n";
  TMemoryStream source(text), whole;
  ZCompressStream(source, whole);
  for (size_t piece : {size_t(1), size_t(7), size_t(4096), size_t(1) << 20}) {
    TMemoryStream out;
    TZlibWriter writer(out);
    for (size_t at = 0; at < text.size(); at += piece)
      writer.Write(std::string_view(text).substr(at, piece));
    writer.Finish();
    EXPECT_EQ(out.Bytes(), whole.Bytes()) << piece;
  }
  EXPECT_EQ(Decompressed(whole.Bytes()), text);
}

// A stream that takes `room` bytes, then fails as a full disk does.
class TFullStream final : public TStream {
 public:
  explicit TFullStream(size_t room) : FRoom(room) {}
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t count) override {
    if (count > FRoom) throw EKolvaneError(std::string("the disk is full"));
    FRoom -= count;
    FSize += count;
    return count;
  }
  uint64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
  uint64_t Size() const override { return FSize; }
  void SetSize(uint64_t) override {}

 private:
  size_t FRoom;
  uint64_t FSize = 0;
};

// A destination that fails part way: its error reaches the caller, whether it comes while
// inflating or on the thread that deflates a long text, and zlib's state and the thread are
// gone after it (the sanitizer run finds a leak or a thread left behind).
TEST(StreamCodec, ADestinationThatFailsPartWayFailsTheCodec) {
  std::string text;
  for (int i = 0; text.size() < (3u << 20); ++i) text += "line " + std::to_string(i) + ";x\r\n";
  TMemoryStream source(text), packed;
  ZCompressStream(source, packed);
  TFullStream small(100000);
  EXPECT_THROW(ZDecompressStream(packed, small), EKolvaneError);

  // Room for about half the packed text: the failure comes after the first megabyte, on the
  // deflating thread.
  TFullStream full(packed.Size() / 2);
  auto deflate = [&] {
    TZlibWriter writer(full);
    for (size_t at = 0; at < text.size(); at += 65536)
      writer.Write(std::string_view(text).substr(at, 65536));
    writer.Finish();
  };
  EXPECT_THROW(deflate(), EKolvaneError);
}

// Lines over several megabytes are read into blocks that no line spans, with every line end
// (CR LF, LF, CR) as before; a stream damaged part way gives whole lines only.
TEST(StreamLines, ManyMegabytesOfLinesReadWholeAndDamageCutsAtALineEnd) {
  TStringList lines;
  std::string text;
  for (int i = 0; i < 120000; ++i) {
    lines.push_back(u"line " + IntToStr(i) + u";" + std::u16string(size_t(i % 37), u'x'));
    text += Utf16ToCp1252(lines.back()) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
  }
  TMemoryStream source(text), packed;
  ZCompressStream(source, packed);
  TStoredLines stored;
  ASSERT_EQ(stored.Load(packed, ZDecompressStream), TLinesResult::lrComplete);
  ASSERT_EQ(stored.size(), lines.size());
  for (size_t i = 0; i < lines.size(); i += 997) EXPECT_EQ(stored.Text(i), lines[i]) << i;
  EXPECT_EQ(stored.Text(lines.size() - 1), lines.back());

  TMemoryStream cut(packed.Bytes().substr(0, packed.Bytes().size() * 2 / 3));
  ASSERT_EQ(stored.Load(cut, ZDecompressStream), TLinesResult::lrDamaged);
  ASSERT_GT(stored.size(), lines.size() / 2);
  ASSERT_LT(stored.size(), lines.size());
  for (size_t i = 0; i < stored.size(); ++i) ASSERT_EQ(stored.Text(i), lines[i]) << i;
}

TEST(StreamLines, LinesLongerThanABlockAndBreaksAtEveryBlockEnd) {
  // Lines of many lengths, three of them longer than the blocks the text is kept in, CR LF
  // breaks that fall on every place of a block's end; the text reaches the reader in writes
  // of odd sizes.
  TStringList lines;
  std::string text;
  for (int i = 0; text.size() < (9u << 20); ++i) {
    const size_t length = i % 500 == 7 ? (3u << 20) + size_t(i) : size_t(i * 7919 % 300);
    lines.push_back(std::u16string(length, char16_t(u'a' + i % 26)));
    text += std::string(length, char('a' + i % 26)) + "\r\n";
  }
  TMemoryStream source(text);
  TStoredLines stored;
  ASSERT_EQ(stored.Load(source, [](TStream& from, TStream& to) {
    std::string bytes = from.ReadRest();
    for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 70001 + 1)
      to.Write(bytes.data() + at, std::min(step, bytes.size() - at));
  }), TLinesResult::lrComplete);
  ASSERT_EQ(stored.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(stored.Text(i), lines[i]) << i;
}

TEST(StreamLines, ReadStorageLinesFindsTheStreamOrNothing) {
  TScratchDir dir;
  std::u16string file = dir.Path16("PC_ANNA.qmr");
  {
    auto root = OpenStorageFile(file, kModeReadWrite | STGM_CREATE);
    auto oe = root->OpenSubStorage(kStorageOE, kModeReadWrite, true);
    auto stream = oe->OpenStream(EncodeStreamName(u"Inbox"), kModeReadWrite, true);
    SaveStreamLines({u"x;1", u"y;2"}, *stream, ZCompressStream);
    EXPECT_EQ(stream->Position(), 0u);
  }
  TStringList lines;
  EXPECT_EQ(ReadStorageLines(file, kStorageOE, u"INBOX", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"x;1", u"y;2"}));
  EXPECT_EQ(ReadStorageLines(file, u"\\", u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(ReadStorageLines(file, kStorageThunderbird, u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(
      ReadStorageLines(dir.Path16("missing.qmr"), kStorageOE, u"Inbox", ZDecompressStream, lines),
      TLinesResult::lrComplete);
  test::WriteFileBytes(dir.Path("text.qmr"), "not a compound file");
  EXPECT_EQ(
      ReadStorageLines(dir.Path16("text.qmr"), kStorageOE, u"Inbox", ZDecompressStream, lines),
      TLinesResult::lrComplete);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace kv
