#include "storage/folder_text.h"

#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/zlib_codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

// The decoder's output, written block by block as TStoredLines's sink writes it: a block that
// has grown past its size is cut after its last LF, so a line (and a CR LF) never spans two
// blocks. Blocks of an earlier stream are taken again with their storage.
class TFolderText::TSink final : public TStream {
 public:
  explicit TSink(TFolderText& text) : FText(text) { FText.FUsed = 0; }
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override {
    if (FText.FUsed == 0) Take();
    std::string& block = FText.FBlocks[FText.FUsed - 1];
    Reserve(block, block.size() + count);
    block.append(static_cast<const char*>(buffer), count);
    FSize += count;
    if (block.size() < kBlock) return count;
    // The last LF of the block; the bytes before FSearched were looked at already and hold
    // none, so a line longer than a block is not searched again at every write.
    const size_t found = std::string_view(block).substr(FSearched).rfind('\n');
    if (found == std::string_view::npos) {
      FSearched = block.size();
      return count;
    }
    const size_t lf = FSearched + found;
    if (lf + 1 < block.size()) {
      const size_t rest = block.size() - (lf + 1);
      std::string& next = Take();  // may move the blocks: `block` is not used after it
      std::string& cut = FText.FBlocks[FText.FUsed - 2];
      Reserve(next, rest);
      next.assign(cut, lf + 1, rest);
      cut.resize(lf + 1);
    } else {
      Take();
    }
    return count;
  }
  uint64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
  uint64_t Size() const override { return FSize; }
  void SetSize(uint64_t) override {}

 private:
  static constexpr size_t kBlock = 1 << 20, kSlack = 1 << 16;
  // Room for `size` bytes. A block grows as its text does, doubling while small, then at once
  // to its full size, and doubling again only for a line longer than a block; so a small folder
  // takes little room and a large one no more than its blocks. (A string asked for less than
  // twice its capacity takes twice; the full size is asked for while it is at least that.)
  static void Reserve(std::string& block, size_t size) {
    if (size <= block.capacity()) return;
    size_t target = 2 * block.capacity();
    if (size <= kBlock + kSlack && target > kBlock / 2) target = kBlock + kSlack;
    block.reserve(std::max(size, target));
  }
  // The next block, emptied: one kept from an earlier stream, or a new one.
  std::string& Take() {
    std::vector<std::string>& blocks = FText.FBlocks;
    if (FText.FUsed == blocks.size()) blocks.emplace_back();
    std::string& block = blocks[FText.FUsed++];
    block.clear();
    FSearched = 0;
    return block;
  }
  TFolderText& FText;
  uint64_t FSize = 0;
  size_t FSearched = 0;
};

size_t TFolderText::Capacity() const {
  size_t bytes = FBlocks.capacity() * sizeof(std::string);
  for (const auto& block : FBlocks) bytes += block.capacity();
  return bytes;
}

TLinesResult TFolderText::Load(TStream& stream, TCodeStreamProcedure decode) {
  FUsed = 0;
  FUtf8 = false;
  stream.SetPosition(0);
  bool damaged = false;
  auto plain = [&] {
    TSink sink(*this);
    std::vector<char> block(1 << 16);
    for (size_t n; (n = stream.Read(block.data(), block.size())) > 0;) sink.Write(block.data(), n);
  };
  if (decode) {
    TSink sink(*this);
    try {
      decode(stream, sink);
    } catch (const EKolvaneError&) {
      stream.SetPosition(0);
      char head[2] = {0, 0};
      const size_t n = stream.Read(head, 2);
      stream.SetPosition(0);
      if (StartsWithZlibHeader(std::string_view(head, n))) {
        damaged = true;  // keep what the decoder produced before the damage
      } else {
        plain();
      }
    }
  } else {
    plain();
  }
  stream.SetPosition(0);
  Finish(damaged);
  return damaged ? TLinesResult::lrDamaged : TLinesResult::lrComplete;
}

// Byte-order marks, the first NUL, and the cut of a damaged stream, in TStoredLines's order.
void TFolderText::Finish(bool damaged) {
  const std::string_view head = FUsed ? std::string_view(FBlocks.front()) : std::string_view();
  const TByteOrderMark mark = SniffByteOrderMark(head);
  if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
    // UTF-16 (only other programs write it) is kept as UTF-8, in one block.
    std::string whole;
    for (size_t k = 0; k < FUsed; ++k) whole += FBlocks[k];
    const std::u16string text = DecodeStreamText(whole);
    whole = std::string();
    FBlocks.front() = Utf16ToUtf8(text);
    FUsed = 1;
    FUtf8 = true;
  } else if (mark == TByteOrderMark::bomUtf8) {
    FBlocks.front().erase(0, 3);
    FUtf8 = true;
  }
  for (size_t k = 0; k < FUsed; ++k) {
    std::string& block = FBlocks[k];
    const void* nul = std::memchr(block.data(), 0, block.size());
    if (!nul) continue;
    block.resize(size_t(static_cast<const char*>(nul) - block.data()));
    FUsed = k + 1;
    break;
  }
  if (damaged) {  // the last line was cut by the damage unless a line break follows it
    while (FUsed > 0) {
      std::string& last = FBlocks[FUsed - 1];
      const size_t lastBreak = last.find_last_of("\r\n");
      if (lastBreak != std::string::npos) {
        last.resize(lastBreak + 1);
        break;
      }
      --FUsed;
    }
  }
  FSize = 0;
  for (size_t k = 0; k < FUsed; ++k) FSize += FBlocks[k].size();
}

std::string_view TakeStoredLine(std::string_view& rest) {
  const char* const text = rest.data();
  const size_t n = rest.size();
  size_t end = 0;
#if defined(__SSE2__)
  // Sixteen bytes a step: the line end is the first CR or LF.
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; end + 16 <= n; end += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + end));
    const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf)));
    if (hits) {
      end += size_t(__builtin_ctz(unsigned(hits)));
      break;
    }
  }
#endif
  while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
  const std::string_view line = rest.substr(0, end);
  size_t next = end + 1;
  if (end < n && text[end] == '\r' && next < n && text[next] == '\n') ++next;
  rest.remove_prefix(next < n ? next : n);
  return line;
}

}  // namespace kv
