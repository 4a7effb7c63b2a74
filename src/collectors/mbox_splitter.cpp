#include "collectors/mbox_splitter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace kv {

namespace {

TMboxScan gScan = TMboxScan::Widest;

bool BeginsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The lines Thunderbird writes right after a separator line of its own.
bool IsMozillaLine(std::string_view line) {
  if (line.empty() || line[0] != 'X') return false;
  return BeginsWith(line, "X-Mozilla-") || BeginsWith(line, "X-Account-Key: ") ||
         BeginsWith(line, "X-UIDL: ");
}

// A header field's first line: a name of printable characters without blanks, then ":".
bool IsHeaderField(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == ':') return i > 0;
    if (c <= ' ' || c >= 0x7F) return false;
  }
  return false;
}

// Whether the last line of [begin, end) is empty; `begin` starts a line and `end` follows a LF.
bool LastLineEmpty(const char* begin, const char* end) {
  const char* content = end - 1;  // the end of its content: its LF, or its CR before it
  if (content > begin && content[-1] == '\r') --content;
  return content == begin || content[-1] == '\n';
}

#if defined(__SSE2__)
// Counts the line-end bytes of whole 16- or 32-byte steps from `p` (a LF one, a CR right before
// it one more) and stops at the step that holds a line beginning with "F", or when fewer than
// one step of bytes is left. The byte before `p` must be readable. Each lane keeps an 8-bit
// count that is summed up before it can overflow.
void CountLineEndsSse2(const char*& p, const char* end, uint64_t& ends) {
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), f = _mm_set1_epi8('F');
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= 16) {
    __m128i counts = zero;
    for (int step = 0; step < 120 && end - p >= 16; ++step, p += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
      const __m128i isLF = _mm_cmpeq_epi8(x, lf);
      if (_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, f), _mm_cmpeq_epi8(before, lf)))) break;
      counts =
          _mm_sub_epi8(counts, _mm_add_epi8(isLF, _mm_and_si128(isLF, _mm_cmpeq_epi8(before, cr))));
    }
    const __m128i sums = _mm_sad_epu8(counts, zero);
    ends +=
        uint64_t(_mm_cvtsi128_si32(sums)) + uint64_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    if (end - p >= 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
      if (_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, f), _mm_cmpeq_epi8(before, lf))))
        return;
    }
  }
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define KV_MBOX_AVX2 1
__attribute__((target("avx2"))) void CountLineEndsAvx2(const char*& p, const char* end,
                                                       uint64_t& ends) {
  const __m256i lf = _mm256_set1_epi8('\n'), cr = _mm256_set1_epi8('\r'), f = _mm256_set1_epi8('F');
  const __m256i zero = _mm256_setzero_si256();
  while (end - p >= 32) {
    __m256i counts = zero;
    bool found = false;
    for (int step = 0; step < 120 && end - p >= 32; ++step, p += 32) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
      const __m256i isLF = _mm256_cmpeq_epi8(x, lf);
      const __m256i afterLF = _mm256_cmpeq_epi8(before, lf);
      if (_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(x, f), afterLF))) {
        found = true;
        break;
      }
      counts = _mm256_sub_epi8(
          counts, _mm256_add_epi8(isLF, _mm256_and_si256(isLF, _mm256_cmpeq_epi8(before, cr))));
    }
    const __m256i sums = _mm256_sad_epu8(counts, zero);
    ends += uint64_t(_mm256_extract_epi64(sums, 0)) + uint64_t(_mm256_extract_epi64(sums, 1)) +
            uint64_t(_mm256_extract_epi64(sums, 2)) + uint64_t(_mm256_extract_epi64(sums, 3));
    if (found) return;
  }
}
#endif
#endif

// Skips whole body lines: from `p` (a line start whose line does not begin with "F") up to the
// first later line start whose line begins with "F", or `end` (just past a LF). Counts the line
// ends skipped. Only a line beginning with "From " can matter in a body, so the lines between
// need no look of their own: they are looked at many bytes in one step where the processor can.
const char* SkipBodyLines(const char* p, const char* end, uint64_t& lineEnds) {
  const char* const start = p;
  uint64_t ends = 0;
#if defined(__SSE2__)
  if (gScan != TMboxScan::LineByLine) {
    // The steps read the byte before each step: begin them after the first byte.
    if (*p == '\n') ++ends;  // an empty line (no CR before it: p starts a line)
    ++p;
#if defined(KV_MBOX_AVX2)
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    if (hasAvx2 && gScan == TMboxScan::Widest)
      CountLineEndsAvx2(p, end, ends);
    else
      CountLineEndsSse2(p, end, ends);
#else
    CountLineEndsSse2(p, end, ends);
#endif
  }
#endif
  // The rest (all of it without SSE2, else the step holding a line that begins with "F" and
  // the last bytes), line by line.
  while (p < end) {
    if (p > start && *p == 'F' && p[-1] == '\n') break;
    const char* const eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    ends += (eol > start && eol[-1] == '\r') ? 2 : 1;
    p = eol + 1;
  }
  lineEnds += ends;
  return p;
}

}  // namespace

void SetMboxScan(TMboxScan scan) { gScan = scan; }

TMboxSplitter::TMboxSplitter(TOnMessage onMessage) : FOnMessage(std::move(onMessage)) {}

TMboxSplitter::TMboxSplitter(TOnMessage onMessage, uint64_t offset, bool afterEmptyLine)
    : FOnMessage(std::move(onMessage)), FPosition(offset), FPrevEmpty(afterEmptyLine) {}

void TMboxSplitter::Feed(std::string_view bytes) {
  const char* const data = bytes.data();
  const char* p = data;
  const char* const end = data + bytes.size();
  // Past this, the block holds no line end: whole lines stop there.
  const char* lastLF = end;
  while (lastLF > data && lastLF[-1] != '\n') --lastLF;
  lastLF = lastLF > data ? lastLF - 1 : nullptr;
  while (p < end) {
    if (lastLF && p <= lastLF && FCarryLength == 0 && !FPrevIsFrom &&
        !(FInMessage && FHeaderOpen) && *p != 'F') {
      // Body lines (or lines before the first message): only their bytes count.
      uint64_t lineEnds = 0;
      const char* const next = SkipBodyLines(p, lastLF + 1, lineEnds);
      if (FInMessage) FSize += uint64_t(next - p) - lineEnds;
      FPrevEmpty = LastLineEmpty(p, next);
      p = next;
      continue;
    }
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
  if (FPrevIsFrom && (IsMozillaLine(content) || (FPrevAfterEmpty && IsHeaderField(content)))) {
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
    FPrevAfterEmpty = FPrevEmpty;
  }
  FPrevEmpty = length == 0;
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

namespace {

// Feeds [begin, end) of the stream (or up to its end) to the splitter in blocks, until `enough`
// says so; returns where the bytes fed end.
uint64_t Feed(IReadStream& stream, uint64_t begin, uint64_t end, TMboxSplitter& splitter,
              const std::function<bool()>& enough = {}) {
  const std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(kMboxBlockSize);
  uint64_t offset = begin;
  while (offset < end && !(enough && enough())) {
    const size_t want = size_t(std::min<uint64_t>(kMboxBlockSize, end - offset));
    const size_t n = stream.ReadAt(offset, block.get(), want);
    if (n == 0) break;
    splitter.Feed(std::string_view(block.get(), n));
    offset += n;
  }
  return offset;
}

// Whether the line before `at` (a line start) is empty; true at the text's start.
bool LineBeforeIsEmpty(IReadStream& stream, uint64_t at) {
  if (at == 0) return true;
  char before[3] = {0, 0, 0};
  const uint64_t from = at >= 3 ? at - 3 : 0;
  const size_t n = stream.ReadAt(from, before, size_t(at - from));
  if (n != at - from) return false;
  // before[n - 1] is the LF that ends that line; the line is empty when its LF (or the CR right
  // before it) follows another LF or starts the text.
  const char* end = before + n - 1;
  if (end > before && end[-1] == '\r') --end;
  return end == before || end[-1] == '\n';  // end == before only when the text starts there
}

}  // namespace

void SplitMbox(IReadStream& stream, const TMboxSplitter::TOnMessage& onMessage) {
  TMboxSplitter splitter(onMessage);
  Feed(stream, 0, UINT64_MAX, splitter);
  splitter.Finish();
}

void SplitMboxPart(IReadStream& stream, uint64_t begin, uint64_t end,
                   const TMboxSplitter::TOnMessage& onMessage) {
  TMboxSplitter splitter(onMessage, begin, LineBeforeIsEmpty(stream, begin));
  Feed(stream, begin, end, splitter);
  splitter.Finish();
}

uint64_t NextMessageStart(IReadStream& stream, uint64_t from) {
  // The first line start at or after `from`.
  uint64_t line = from;
  if (from > 0) {
    line = from - 1;
    for (;;) {
      const std::string block = ReadBytes(stream, line, 4096);
      if (block.empty()) return line;
      const size_t lf = block.find('\n');
      if (lf != std::string::npos) {
        line += lf + 1;
        break;
      }
      line += block.size();
    }
  }
  // The first message a splitter from there finds: the first one it hands over, or else the
  // one it is in.
  std::optional<uint64_t> first;
  TMboxSplitter splitter(
      [&first](const TMboxMessage& m) {
        if (!first) first = m.Offset;
      },
      line, LineBeforeIsEmpty(stream, line));
  const uint64_t end =
      Feed(stream, line, UINT64_MAX, splitter, [&] { return first || splitter.InMessage(); });
  if (first) return *first;
  if (splitter.InMessage()) return splitter.MessageOffset();
  return end;
}

}  // namespace kv
