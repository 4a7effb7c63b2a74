// TFolderText repeats TStoredLines's reading rule into reused blocks: it must read every stream
// as TStoredLines does, line for line and byte for byte, with the same encoding and the same
// report of damage, also for streams of many blocks and after a larger stream's blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/folder_text.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"
#include "support/odd_streams.h"

namespace kv {
namespace {

std::vector<std::string> Lines(const TFolderText& text) {
  std::vector<std::string> lines;
  for (size_t k = 0; k < text.BlockCount(); ++k)
    for (std::string_view rest = text.Block(k); !rest.empty();)
      lines.emplace_back(TakeStoredLine(rest));
  return lines;
}

std::vector<std::string> Lines(const TStoredLines& stored) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < stored.size(); ++i) lines.emplace_back(stored.Bytes(i));
  return lines;
}

void ExpectReadAlike(const std::string& bytes, TCodeStreamProcedure decode, TFolderText& text) {
  TMemoryStream stream(bytes);
  TStoredLines stored;
  const TLinesResult expected = stored.Load(stream, decode);
  EXPECT_EQ(text.Load(stream, decode), expected);
  EXPECT_EQ(stream.Position(), 0u);
  EXPECT_EQ(text.Utf8(), stored.Utf8());
  const std::vector<std::string> want = Lines(stored), got = Lines(text);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "line " << i;
}

TEST(FolderText, ReadsEveryOddStreamAsTheStoredLinesDo) {
  test::TOddStreams odd(20240611);
  TFolderText text;  // one for all: each stream takes the blocks the ones before it left
  for (int i = 0; i < 4000; ++i) {
    SCOPED_TRACE(i);
    ExpectReadAlike(odd.Stream(odd.Pick(40)), i % 7 == 0 ? nullptr : ZDecompressStream, text);
  }
}

// Blocks are cut after the last LF once they pass a megabyte: streams of several blocks, with
// a line longer than a block, with CR alone ending the lines (no LF to cut at), cut short,
// with a NUL or a byte-order mark, then small streams again in the same blocks.
TEST(FolderText, ReadsStreamsOfManyBlocksAsTheStoredLinesDo) {
  test::TOddStreams odd(7);
  auto many = [&](size_t bytes, const char* end) {
    std::string text;
    while (text.size() < bytes) text += odd.Line() + end;
    return text;
  };
  const std::string crlf = many(3 << 20, "\r\n");
  const std::string longLine =
      many(1 << 19, "\r\n") + std::string(5 << 19, 'x') + "\r\n" + many(1 << 20, "\n");
  const std::string crOnly = many(5 << 19, "\r");
  const std::string packed = test::TOddStreams::Pack(crlf);
  TFolderText text;
  for (const std::string& t : {crlf, longLine, crOnly}) {
    ExpectReadAlike(test::TOddStreams::Pack(t), ZDecompressStream, text);
    ExpectReadAlike(t, nullptr, text);
  }
  ExpectReadAlike(packed.substr(0, packed.size() * 2 / 3), ZDecompressStream, text);
  ExpectReadAlike(test::TOddStreams::Pack(crlf.substr(0, 2 << 20) + '\0' + crlf), ZDecompressStream,
                  text);
  ExpectReadAlike("\xEF\xBB\xBF" + crlf, nullptr, text);
  ExpectReadAlike(std::string("\xFF\xFE", 2) + crOnly + std::string(1, '\0'), nullptr, text);
  for (int i = 0; i < 50; ++i) ExpectReadAlike(odd.Stream(odd.Pick(40)), ZDecompressStream, text);
  TMemoryStream empty;
  EXPECT_EQ(text.Load(empty, ZDecompressStream), TLinesResult::lrComplete);
  EXPECT_EQ(text.BlockCount(), 0u);
}

TEST(FolderText, LinesEndAtCrLfLoneCrAndLoneLf) {
  std::vector<std::string> lines;
  for (std::string_view rest = "a\r\nb\rc\n\nd\n\re\r\r\nf"; !rest.empty();)
    lines.emplace_back(TakeStoredLine(rest));
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "d", "", "e", "", "f"}));
  std::string_view rest = "only\r\n";
  EXPECT_EQ(TakeStoredLine(rest), "only");
  EXPECT_TRUE(rest.empty());  // no empty line after a final break
}

}  // namespace
}  // namespace kv
