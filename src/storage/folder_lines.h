// The lines of a folder stream as its decoder makes them: each complete line is handed over
// while the stream is decoded, so a reader that takes the lines one by one (a load into records,
// an export) never holds the stream's whole text.
//
// The rule every reader of folder streams shares: with a decoder, a stream that does not begin
// with a zlib header and does not decode is read as plain text; byte-order marks of UTF-8,
// UTF-16 LE and UTF-16 BE name the encoding and are dropped (UTF-16, which only other programs
// write, is handed over as UTF-8), anything else is Windows-1252; the text ends at its first NUL;
// lines end at CR LF, lone CR and lone LF, and a final line break makes no empty line after it; a
// zlib stream that breaks off part way is Damaged, and the line the damage cut (one not followed
// by a line break) is dropped.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "storage/byte_stream.h"
#include "storage/stream_lines.h"

namespace kv {

struct TFolderLineSink {
  // One line's bytes, without its line end: Windows-1252, or UTF-8 when `utf8`.
  std::function<void(std::string_view line, bool utf8)> Line;
  // The lines handed over so far are void: the stream is read again from its start as plain
  // text (a decoder failed after it had made text of a stream that was no zlib stream).
  std::function<void()> Restart;
};

[[nodiscard]] TLinesResult ReadFolderLines(TStream& stream, TCodeStreamProcedure decode,
                                           const TFolderLineSink& sink);

// The text of a line's bytes as handed over, into `text` (which keeps its storage).
void StoredLineText(std::string_view line, bool utf8, std::u16string& text);

}  // namespace kv
