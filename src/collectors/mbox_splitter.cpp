#include "collectors/mbox_splitter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace kv {

namespace {

bool BeginsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The lines Thunderbird writes right after a separator line of its own.
bool IsMozillaLine(std::string_view line) {
  if (line.empty() || line[0] != 'X') return false;
  return BeginsWith(line, "X-Mozilla-") || BeginsWith(line, "X-Account-Key: ") ||
         BeginsWith(line, "X-UIDL: ");
}

}  // namespace

TMboxSplitter::TMboxSplitter(TOnMessage onMessage) : FOnMessage(std::move(onMessage)) {}

void TMboxSplitter::Feed(std::string_view bytes) {
  const char* const data = bytes.data();
  const char* p = data;
  const char* const end = data + bytes.size();
  while (p < end) {
    const char* const lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    const uint64_t at = FPosition + uint64_t(p - data);
    if (!lf) {
      // The line goes on in the next block: carry its first bytes.
      const size_t n = size_t(end - p);
      if (FCarryLength == 0) FCarryOffset = at;
      if (FCarry.size() < kMaxHeaderBytes)
        FCarry.append(p, std::min(n, kMaxHeaderBytes - FCarry.size()));
      FCarryLength += n;
      FCarryEndsInCR = end[-1] == '\r';
      break;
    }
    const size_t n = size_t(lf - p);
    if (FCarryLength == 0) {
      const size_t length = (n > 0 && lf[-1] == '\r') ? n - 1 : n;
      Line(std::string_view(p, std::min(length, kMaxHeaderBytes)), length, at);
    } else {
      if (FCarry.size() < kMaxHeaderBytes)
        FCarry.append(p, std::min(n, kMaxHeaderBytes - FCarry.size()));
      uint64_t length = FCarryLength + n;
      const bool cr = n > 0 ? lf[-1] == '\r' : FCarryEndsInCR;
      if (cr) {
        --length;
        if (FCarry.size() > length) FCarry.resize(size_t(length));
      }
      Line(FCarry, length, FCarryOffset);
      FCarry.clear();
      FCarryLength = 0;
    }
    p = lf + 1;
  }
  FPosition += bytes.size();
}

void TMboxSplitter::Finish() {
  if (FCarryLength > 0) {
    // The last line has no line end; a CR at its end is part of it.
    Line(FCarry, FCarryLength, FCarryOffset);
    FCarry.clear();
    FCarryLength = 0;
  }
  if (FInMessage) Emit();
  FInMessage = false;
  FPrevIsFrom = false;
}

void TMboxSplitter::Line(std::string_view content, uint64_t length, uint64_t offset) {
  // `content` is the line, or its first kMaxHeaderBytes bytes when it is longer.
  if (FPrevIsFrom && IsMozillaLine(content)) {
    // The previous line starts a message; it is not part of the one before.
    if (FInMessage) {
      FSize -= FPrevLength;
      if (FPrevInHeader) FHeader.resize(FHeaderBeforePrev);
      Emit();
    }
    FInMessage = true;
    FOffset = FPrevOffset;
    FSize = FPrevLength;
    FHeader.clear();
    FHeaderOpen = true;
    AppendHeader(FPrev);
  }
  const bool startsWithFrom = BeginsWith(content, "From ");
  if (FInMessage) {
    FSize += length;
    FPrevInHeader = false;
    if (FHeaderOpen) {
      if (length == 0) {
        FHeaderOpen = false;  // the empty line that ends the header block
      } else {
        FHeaderBeforePrev = FHeader.size();
        AppendHeader(content);
        FPrevInHeader = FHeaderOpen;
      }
    }
  }
  FPrevIsFrom = startsWithFrom;
  if (startsWithFrom) {
    FPrev.assign(content);
    FPrevLength = length;
    FPrevOffset = offset;
  }
}

void TMboxSplitter::AppendHeader(std::string_view content) {
  if (FHeader.size() + content.size() + 1 > kMaxHeaderBytes) {
    FHeaderOpen = false;  // cut: the rest of the message counts as body
    return;
  }
  FHeader.append(content);
  FHeader.push_back('\n');
}

void TMboxSplitter::Emit() {
  TMboxMessage message;
  message.Header = FHeader;
  message.Size = FSize;
  message.Offset = FOffset;
  FOnMessage(message);
}

void SplitMbox(IReadStream& stream, const TMboxSplitter::TOnMessage& onMessage) {
  TMboxSplitter splitter(onMessage);
  const std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(kMboxBlockSize);
  uint64_t offset = 0;
  for (;;) {
    const size_t n = stream.ReadAt(offset, block.get(), kMboxBlockSize);
    if (n == 0) break;
    splitter.Feed(std::string_view(block.get(), n));
    offset += n;
  }
  splitter.Finish();
}

}  // namespace kv
