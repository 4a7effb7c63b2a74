// The history data file's stream codec and line helpers, with the faults mended here: a broken
// zlib stream is reported instead of read as text, and text outside Windows-1252 survives.
#include <gtest/gtest.h>

#include "base/codepage.h"
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
  EXPECT_EQ(uint8_t(packed.Bytes()[0]), 0x78);  // deflate, 32K window
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
  for (int i = 0; i < 3000; ++i) many.push_back(u"line " + IntToStr(i) + u";subject;" + IntToStr(i * 7919));
  TMemoryStream packed;
  SaveStreamLines(many, packed, ZCompressStream);
  std::string cut = packed.Bytes().substr(0, packed.Bytes().size() / 2);
  TMemoryStream broken(cut);
  TStringList lines;
  EXPECT_EQ(LoadStreamLines(broken, lines, ZDecompressStream), TLinesResult::lrDamaged);
  ASSERT_FALSE(lines.empty());
  ASSERT_LT(lines.size(), many.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], many[i]);  // no half line, no garbage

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
  EXPECT_EQ(cp1252.Bytes(), "Gr\xFC\xDF" "e \x80\r\n");  // byte for byte, no mark
  SaveStreamLines({u"plain", u"\u041f\u0440\u0438\u0432\u0435\u0442 \u4f60\u597d"}, utf8, nullptr);
  EXPECT_EQ(utf8.Bytes().substr(0, 3), "\xEF\xBB\xBF");
  TStringList lines;
  EXPECT_EQ(LoadStreamLines(utf8, lines, nullptr), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"plain", u"\u041f\u0440\u0438\u0432\u0435\u0442 \u4f60\u597d"}));
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
  EXPECT_EQ(ReadStorageLines(file, kStorageOE, u"INBOX", ZDecompressStream, lines), TLinesResult::lrComplete);
  EXPECT_EQ(lines, (TStringList{u"x;1", u"y;2"}));
  EXPECT_EQ(ReadStorageLines(file, u"\\", u"Inbox", ZDecompressStream, lines), TLinesResult::lrComplete);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(ReadStorageLines(file, kStorageThunderbird, u"Inbox", ZDecompressStream, lines), TLinesResult::lrComplete);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(ReadStorageLines(dir.Path16("missing.qmr"), kStorageOE, u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  test::WriteFileBytes(dir.Path("text.qmr"), "not a compound file");
  EXPECT_EQ(ReadStorageLines(dir.Path16("text.qmr"), kStorageOE, u"Inbox", ZDecompressStream, lines),
            TLinesResult::lrComplete);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace kv
