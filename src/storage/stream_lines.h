// Moving record lines in and out of a history data file's folder streams.
//
// A folder stream's text is one line per record, each ending in CR LF. Lines that all fit
// Windows-1252 are written in it without a mark; any other text is written as UTF-8 after its
// byte-order mark, so no character is lost. Reading accepts both, and UTF-16 with its mark.
#pragma once

#include <string_view>

#include "base/text.h"
#include "storage/byte_stream.h"
#include "storage/storage_stream.h"

namespace kv {

class TStructuredStorage;

// Whether every line of a stream could be read. A stream that begins as zlib data but breaks
// off part way is Damaged: the lines decoded before the damage are returned, and a writer must
// not rewrite the stream from them, or the lines after the damage would be lost for good.
enum class TLinesResult { lrComplete, lrDamaged };

// Writes the lines' text (each line plus CR LF) through `code` into `stream`, or as it is
// without a code; the stream's position ends at 0.
void SaveStreamLines(const TStringList& lines, TStream& stream, TCodeStreamProcedure code);

// Replaces `lines` with the stream's lines. With `decode`, a stream that does not begin with a
// zlib header and does not decode is read as plain text. Never raises for bad content.
[[nodiscard]] TLinesResult LoadStreamLines(TStream& stream, TStringList& lines, TCodeStreamProcedure decode);

// The lines of stream `streamName` in storage `subStorage` ("" or "\" for the root) of the
// file; no lines, and lrComplete, when the file is not a compound file or the storage or
// stream is missing. Raises when the compound file cannot be opened (held by a writer).
[[nodiscard]] TLinesResult ReadStorageLines(std::u16string_view fileName, std::u16string_view subStorage,
                                            std::u16string_view streamName, TCodeStreamProcedure decode,
                                            TStringList& lines);
// The same inside a file that is open already (for reading or writing).
[[nodiscard]] TLinesResult ReadStorageLines(TStructuredStorage& root, std::u16string_view subStorage,
                                            std::u16string_view streamName, TCodeStreamProcedure decode,
                                            TStringList& lines);

// The text of a buffer as the reading rule takes it: byte-order marks of UTF-8, UTF-16 LE and
// BE are honoured and removed, anything else is Windows-1252.
std::u16string DecodeStreamText(std::string_view bytes);
// Splits at CR LF, lone CR and lone LF; ends at the first NUL; no empty line after a final break.
void SplitStreamText(std::u16string_view text, TStringList& lines);

}  // namespace kv
