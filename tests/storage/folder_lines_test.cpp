// The lines of a folder stream cut as the decoder makes them are the lines of the whole text cut
// at once: over thousands of generated odd texts (marks, NULs, every kind of line break, long
// lines, damage, plain text behind a failed decoder), written in pieces of every size.
#include "storage/folder_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "storage/zlib_codec.h"

namespace kv {
namespace {

struct TLines {
  std::vector<std::string> Lines;
  bool Utf8 = false;
  bool operator==(const TLines&) const = default;
};

// The rule applied to the whole decoded text at once, step by step as it reads.
TLines WholeText(std::string text, bool damaged) {
  TLines out;
  const TByteOrderMark mark = SniffByteOrderMark(text);
  if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
    text = Utf16ToUtf8(DecodeMarkedText(text, [](std::string_view) { return std::u16string(); }));
    out.Utf8 = true;
  } else if (mark == TByteOrderMark::bomUtf8) {
    text.erase(0, 3);
    out.Utf8 = true;
  }
  text = text.substr(0, text.find('\0'));
  if (damaged) {
    const size_t lastBreak = text.find_last_of("\r\n");
    text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
  }
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    out.Lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n')
      ++start;
  }
  out.Utf8 = out.Utf8 && !out.Lines.empty();  // an encoding without lines tells nothing
  return out;
}

// What the decoder below makes: `Text` in pieces whose sizes `Pieces` picks, then a failure when
// `Fail` asks for one (a codec is a plain function, so it finds them here).
struct TDecoderOutput {
  std::string Text;
  bool Fail = false;
  std::vector<size_t> Pieces;
};
TDecoderOutput gMade;

void PiecewiseDecoder(TStream&, TStream& to) {
  size_t at = 0;
  for (size_t k = 0; at < gMade.Text.size(); ++k) {
    const size_t n = std::min(gMade.Pieces[k % gMade.Pieces.size()], gMade.Text.size() - at);
    to.Write(gMade.Text.data() + at, n);
    at += n;
  }
  if (gMade.Fail) throw EZlibError(-3, "broken");
}

TLines Cut(const std::string& stored, const std::string& text, bool fail,
           const std::vector<size_t>& pieces) {
  gMade = {text, fail, pieces};
  TMemoryStream stream(stored);
  TLines out;
  TFolderLineSink sink;
  sink.Line = [&](std::string_view line, bool utf8) {
    out.Lines.emplace_back(line);
    out.Utf8 = utf8;
  };
  sink.Restart = [&] { out = {}; };
  (void)ReadFolderLines(stream, PiecewiseDecoder, sink);
  return out;
}

TEST(FolderLines, CutAsTheyComeIsCutWhole) {
  std::mt19937 random(5);
  const std::vector<std::string> parts = {
      "a",  "line;of;fields", "\r\n", "\n", "\r", "\r\r\n", "\n\r", std::string(1, '\0'),
      "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\xC3\xA9", "\xE2\x82", "x\x80y", std::string(300, 'z')};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int n = int(random() % 12);
    for (int i = 0; i < n; ++i) text += parts[random() % parts.size()];
    if (round % 7 == 0) text = parts[8 + random() % 3] + text;  // a mark in front
    std::vector<size_t> pieces;
    for (int i = 0; i < 5; ++i) pieces.push_back(1 + random() % (round % 2 ? 3 : 400));
    const bool fail = round % 5 == 0;
    // A stored stream that begins as zlib data is damaged when its decoder fails.
    EXPECT_EQ(Cut("\x78\xDA", text, fail, pieces), WholeText(text, fail))
        << "round " << round;
    // One that does not is read again as plain text, whatever the decoder made of it.
    if (fail) {
      EXPECT_EQ(Cut(text, "made up", true, pieces), WholeText(text, false)) << round;
    }
  }
}

TEST(FolderLines, LongLinesAndRealZlibStreams) {
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += std::string(size_t(i * 7919 % 5000), char('a' + i % 26)) + (i % 3 ? "\r\n" : "\n");
  text += std::string(3u << 20, 'L');
  TMemoryStream plain(text), packed;
  ZCompressStream(plain, packed);
  TLines read;
  TFolderLineSink sink;
  sink.Line = [&](std::string_view line, bool) { read.Lines.emplace_back(line); };
  TMemoryStream stream(packed.Bytes());
  EXPECT_EQ(ReadFolderLines(stream, ZDecompressStream, sink), TLinesResult::lrComplete);
  EXPECT_EQ(read, WholeText(text, false));
  read = {};
  TMemoryStream cut(packed.Bytes().substr(0, packed.Bytes().size() / 2));
  EXPECT_EQ(ReadFolderLines(cut, ZDecompressStream, sink), TLinesResult::lrDamaged);
  ASSERT_GT(read.Lines.size(), 100u);
  const TLines whole = WholeText(text, false);
  for (size_t i = 0; i < read.Lines.size(); ++i) ASSERT_EQ(read.Lines[i], whole.Lines[i]) << i;
}

}  // namespace
}  // namespace kv
