// The text of one folder stream for a reader that goes through every folder of a history file
// once (an export): the stream's lines (folder_lines.h, the rule every reader of folder streams
// follows) each ended by LF, in blocks that the next stream's text reuses, so that once the
// largest folder has been read nothing more is allocated, and the lines are found by the reader
// as it goes instead of being listed first.
//
//   TFolderText text;
//   (void)text.Load(stream, ZDecompressStream);
//   for (size_t k = 0; k < text.BlockCount(); ++k)
//     for (std::string_view rest = text.Block(k); !rest.empty();)
//       Use(TakeStoredLine(rest), text.Utf8());
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "storage/byte_stream.h"
#include "storage/stream_lines.h"

namespace kv {

class TFolderText {
 public:
  // Replaces the text with the stream's lines. Never raises for bad content.
  [[nodiscard]] TLinesResult Load(TStream& stream, TCodeStreamProcedure decode);
  // No text: a folder without a stream.
  void Clear() {
    FUsed = 0;
    FSize = 0;
    FUtf8 = false;
  }

  // Windows-1252, or UTF-8 when the stream was UTF-8 or UTF-16.
  bool Utf8() const { return FUtf8; }
  // The text in blocks; a line never spans two blocks, so each block splits on its own.
  // (A line end here is always LF; TakeStoredLine takes the ends of any stored text.)
  size_t BlockCount() const { return FUsed; }
  std::string_view Block(size_t index) const { return FBlocks.at(index); }
  // Bytes of text in all blocks.
  size_t Size() const { return FSize; }
  // Heap bytes the blocks hold, the ones kept for the next stream included.
  size_t Capacity() const;

 private:
  std::vector<std::string> FBlocks;  // the first FUsed hold the text, the rest wait for reuse
  size_t FUsed = 0;
  size_t FSize = 0;
  bool FUtf8 = false;
};

// The first line of `rest`, removed from it with its line end: lines end at CR LF, lone CR and
// lone LF. Call while `rest` is not empty; a final line break makes no empty line after it.
std::string_view TakeStoredLine(std::string_view& rest);

}  // namespace kv
