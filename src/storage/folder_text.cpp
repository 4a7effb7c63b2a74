#include "storage/folder_text.h"

#include "storage/folder_lines.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

size_t TFolderText::Capacity() const {
  size_t bytes = FBlocks.capacity() * sizeof(std::string);
  for (const auto& block : FBlocks) bytes += block.capacity();
  return bytes;
}

TLinesResult TFolderText::Load(TStream& stream, TCodeStreamProcedure decode) {
  constexpr size_t kBlock = 1 << 20;
  Clear();
  // The next block, emptied: one kept from an earlier stream, or a new one.
  auto take = [this]() -> std::string& {
    if (FUsed == FBlocks.size()) FBlocks.emplace_back().reserve(kBlock);
    std::string& block = FBlocks[FUsed++];
    block.clear();
    return block;
  };
  TFolderLineSink sink;
  sink.Line = [&](std::string_view line, bool utf8) {
    FUtf8 = utf8;
    if (FUsed == 0 || FBlocks[FUsed - 1].size() + line.size() + 1 > kBlock) take();
    std::string& block = FBlocks[FUsed - 1];
    block.append(line);
    block.push_back('\n');
    FSize += line.size() + 1;
  };
  sink.Restart = [this] { Clear(); };
  return ReadFolderLines(stream, decode, sink);
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
