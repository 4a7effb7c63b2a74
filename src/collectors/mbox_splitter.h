// Cuts Thunderbird's mbox text into messages, reading it once, in large blocks, from start to end.
//
// A line ends at LF or CR LF; the line end is not part of the line. A message starts at a line
// that begins with "From " (case-sensitive) when
// - the very next line begins with "X-Mozilla-", "X-Account-Key: " or "X-UIDL: ": Thunderbird
//   writes one of these right after each separator it writes; or
// - the "From " line is the text's first line or follows an empty line, and the next line is a
//   header field (a name of printable characters without blanks, then ":"): the separator of
//   mbox files that older Thunderbird versions and other programs wrote, and that people copy
//   into a profile.
// A body line that a writer escaped (" From ", ">From ") never cuts a message; an unescaped one
// cuts it only where it stands as a separator would. A message runs up to the next message's
// "From " line or the end of the text; lines before the first message are skipped.
//
// For each message the splitter hands over its header block (the lines from its "From " line up
// to the first empty line, each ended by "\n") and its size (the bytes of all its lines, line
// ends not counted). Body lines are counted, never copied, so memory stays small whatever the
// size of the file or of a message: a header block is kept up to kMaxHeaderBytes, a line that
// spans two blocks is carried up to the same limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/stream.h"

namespace kv {

struct TMboxMessage {
  // The header block's lines, each ended by "\n", from the message's "From " line on.
  std::string_view Header;
  // The bytes of the message's lines, line ends not counted.
  uint64_t Size = 0;
  // Where the message's "From " line starts.
  uint64_t Offset = 0;
};

class TMboxSplitter {
 public:
  using TOnMessage = std::function<void(const TMboxMessage&)>;

  // A header block is cut after this many bytes: real headers are a few kilobytes, and a message
  // without the empty line after its header (whose whole text is then its header block) must not
  // be held whole.
  static constexpr size_t kMaxHeaderBytes = size_t(4) << 20;

  explicit TMboxSplitter(TOnMessage onMessage);
  // A splitter for the text from `offset` on, a line start; `afterEmptyLine` tells whether the
  // line before it is empty (or none is, at the text's start). The text before is not needed:
  // whether a line starts a message depends on that line, the one before and the one after.
  TMboxSplitter(TOnMessage onMessage, uint64_t offset, bool afterEmptyLine);

  // Passes the next bytes of the text; blocks may cut anywhere, also inside a CR LF.
  void Feed(std::string_view bytes);
  // Ends the text: its last line (also without a line end) and its last message are handed over.
  void Finish();
  // Where the message being read started, once one has.
  bool InMessage() const { return FInMessage; }
  uint64_t MessageOffset() const { return FOffset; }

 private:
  void Line(std::string_view content, uint64_t length, uint64_t offset);
  void AppendHeader(std::string_view content);
  void Emit();

  TOnMessage FOnMessage;
  uint64_t FPosition = 0;  // offset of the next byte fed

  // A line not yet ended at the end of the last block: its first bytes, length and start.
  std::string FCarry;
  uint64_t FCarryLength = 0;
  uint64_t FCarryOffset = 0;
  bool FCarryEndsInCR = false;

  // The previous line was empty, or there was none (the next line is the text's first).
  bool FPrevEmpty = true;
  // The previous line, kept when it begins with "From " (it may start the next message).
  bool FPrevIsFrom = false;
  bool FPrevAfterEmpty = false;  // it is the text's first line or follows an empty line
  std::string FPrev;
  uint64_t FPrevLength = 0;
  uint64_t FPrevOffset = 0;
  bool FPrevInHeader = false;    // its bytes end the header block kept so far
  size_t FHeaderBeforePrev = 0;  // header block size before them

  // The current message.
  bool FInMessage = false;
  uint64_t FOffset = 0;
  uint64_t FSize = 0;
  std::string FHeader;
  bool FHeaderOpen = false;  // no empty line yet
};

// How body lines are passed over: in the widest steps the processor offers (AVX2, else SSE2,
// else line by line). Tests choose the narrower ways to check that all of them agree.
enum class TMboxScan { Widest, Sse2, LineByLine };
void SetMboxScan(TMboxScan scan);

// Reads the whole stream through a TMboxSplitter in blocks of kMboxBlockSize. Throws what the
// stream throws; messages handed over before a failure stay handed over.
constexpr size_t kMboxBlockSize = size_t(256) << 10;
void SplitMbox(IReadStream& stream, const TMboxSplitter::TOnMessage& onMessage);

// The same for one part of the text: the messages that start in [begin, end), each read to its
// end (the next message's start, or the end of the text). `begin` must be a message start or 0,
// `end` a message start or past the text's end; the text before `begin` is not read.
void SplitMboxPart(IReadStream& stream, uint64_t begin, uint64_t end,
                   const TMboxSplitter::TOnMessage& onMessage);
// Where the first message that starts at or after `from` starts; the stream's end when none
// does. Reads from just before `from` on, only as far as that message's second line.
uint64_t NextMessageStart(IReadStream& stream, uint64_t from);

}  // namespace kv
