// Moving record lines in and out of a history data file's folder streams.
//
// A folder stream's text is one line per record, each ending in CR LF. Lines that all fit
// Windows-1252 are written in it without a mark; any other text is written as UTF-8 after its
// byte-order mark, so no character is lost. Reading accepts both, and UTF-16 with its mark.
//
// A large folder's lines are never held as one string each: TStoredLines keeps the stream's
// text as its 8-bit bytes with the places of the lines, and the writer takes its lines one at
// a time from a source, copying kept lines as they stand where their bytes can stay.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/large_block.h"
#include "base/text.h"
#include "storage/byte_stream.h"
#include "storage/storage_stream.h"

namespace kv {

class TStructuredStorage;

// Whether every line of a stream could be read. A stream that begins as zlib data but breaks
// off part way is Damaged: the lines decoded before the damage are returned, and a writer must
// not rewrite the stream from them, or the lines after the damage would be lost for good.
enum class TLinesResult { lrComplete, lrDamaged };

// The lines of one folder stream as read (folder_lines.h), for a reader that needs them all at
// once: their bytes in 8-bit form (Windows-1252, or UTF-8 when the stream is UTF-8 or UTF-16)
// packed into large blocks as the decoder makes them, so the text is never held twice, and where
// each line lies in them.
class TStoredLines {
 public:
  size_t size() const { return FLines.size(); }
  bool empty() const { return FLines.empty(); }
  void clear();
  bool Utf8() const { return FUtf8; }
  // The line's bytes, without its line end.
  std::string_view Bytes(size_t index) const;
  // The line's text, decoded into `buffer`.
  std::u16string_view Text(size_t index, std::u16string& buffer) const;
  std::u16string Text(size_t index) const;

  // Replaces the lines with the stream's. With `decode`, a stream that does not begin with a
  // zlib header and does not decode is read as plain text. Never raises for bad content.
  [[nodiscard]] TLinesResult Load(TStream& stream, TCodeStreamProcedure decode);

 private:
  struct TLine {
    uint32_t Block, Start, Length;
  };
  // Bytes in a large block, filled from the front.
  struct TBlock {
    TLargeBlock Memory;
    size_t Size = 0;
    explicit TBlock(size_t capacity) : Memory(capacity) {}
    char* data() const { return static_cast<char*>(Memory.data()); }
    size_t Capacity() const { return Memory.size(); }
    std::string_view View() const { return {data(), Size}; }
  };
  std::vector<TBlock> FBlocks;
  bool FUtf8 = false;
  std::vector<TLine> FLines;
};

// The lines a writer writes after any kept ones: how many, whether they all fit Windows-1252,
// and each line's text on request, into a buffer the writer passes.
struct TLineSource {
  size_t Count = 0;
  bool FitsCp1252 = true;
  std::function<void(size_t index, std::u16string& line)> Line;
};

// Writes `kept` (may be none) and then the source's lines, each plus CR LF, through `code`
// into `stream`, or as they are without a code; the stream's position ends at 0. The zlib
// codec compresses the text as it is made, so it never stands in memory whole.
void SaveStreamLines(const TStoredLines* kept, const TLineSource& more, TStream& stream,
                     TCodeStreamProcedure code);
// The same for a list of lines.
void SaveStreamLines(const TStringList& lines, TStream& stream, TCodeStreamProcedure code);

// Replaces `lines` with the stream's lines, as TStoredLines::Load reads them.
[[nodiscard]] TLinesResult LoadStreamLines(TStream& stream, TStringList& lines,
                                           TCodeStreamProcedure decode);

// The lines of stream `streamName` in storage `subStorage` ("" or "\" for the root) of the
// file; no lines, and lrComplete, when the file is not a compound file or the storage or
// stream is missing. Raises when the compound file cannot be opened (held by a writer).
[[nodiscard]] TLinesResult ReadStorageLines(std::u16string_view fileName,
                                            std::u16string_view subStorage,
                                            std::u16string_view streamName,
                                            TCodeStreamProcedure decode, TStringList& lines);
// The same inside a file that is open already (for reading or writing).
[[nodiscard]] TLinesResult ReadStorageLines(TStructuredStorage& root,
                                            std::u16string_view subStorage,
                                            std::u16string_view streamName,
                                            TCodeStreamProcedure decode, TStoredLines& lines);

// The same handing the lines over as they are decoded (folder_lines.h); no lines, and
// lrComplete, when the storage or stream is missing.
struct TFolderLineSink;
[[nodiscard]] TLinesResult ReadStorageLines(TStructuredStorage& root,
                                            std::u16string_view subStorage,
                                            std::u16string_view streamName,
                                            TCodeStreamProcedure decode,
                                            const TFolderLineSink& sink);

// The text of a buffer as the reading rule takes it: byte-order marks of UTF-8, UTF-16 LE and
// BE are honoured and removed, anything else is Windows-1252.
std::u16string DecodeStreamText(std::string_view bytes);
// Splits at CR LF, lone CR and lone LF; ends at the first NUL; no empty line after a final break.
void SplitStreamText(std::u16string_view text, TStringList& lines);

}  // namespace kv
