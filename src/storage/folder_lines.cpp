#include "storage/folder_lines.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/zlib_codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

namespace {

// The first CR, LF or NUL in [p, end), or end.
const char* NextStop(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
  for (; end - p >= 16; p += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hits = _mm_movemask_epi8(_mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf)), _mm_cmpeq_epi8(x, nul)));
    if (hits) return p + __builtin_ctz(unsigned(hits));
  }
#endif
  while (p < end && *p != '\r' && *p != '\n' && *p != '\0') ++p;
  return p;
}

// The decoder's output, cut into lines as it comes. A line that two writes share is carried;
// every other line is handed over as a view of the write's own bytes.
class TLineCutter final : public TStream {
 public:
  explicit TLineCutter(const TFolderLineSink& sink) : FSink(sink) {}

  size_t Read(void*, size_t) override { return 0; }
  uint64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
  uint64_t Size() const override { return FSize; }
  void SetSize(uint64_t) override {}

  size_t Write(const void* buffer, size_t count) override {
    FSize += count;
    std::string_view bytes(static_cast<const char*>(buffer), count);
    if (FMode == mHead) {
      // The mark needs the text's first three bytes.
      const size_t take = std::min(bytes.size(), 3 - FCarry.size());
      FCarry.append(bytes.substr(0, take));
      bytes.remove_prefix(take);
      if (FCarry.size() < 3) return count;
      Begin();
    }
    if (FMode == mWhole)
      FWhole.append(bytes);
    else if (FMode == mLines)
      Cut(bytes);
    return count;
  }

  // Hands over the last line (the one the text's end or its NUL ended): dropped when the
  // damage cut it.
  void Finish(bool damaged) {
    if (FMode == mHead) Begin();
    if (FMode == mWhole) {
      // UTF-16: the whole text decoded, then cut as UTF-8 text.
      const std::string text = Utf16ToUtf8(DecodeStreamText(FWhole));
      FWhole = std::string();
      FMode = mLines;
      FUtf8 = true;
      Cut(text);
    }
    if (!damaged && !FCarry.empty()) Hand(FCarry);
    FCarry.clear();
  }

  // Whether a line was handed over.
  bool HandedOver() const { return FHandedOver; }

 private:
  enum TMode { mHead, mLines, mWhole, mEnded };

  void Begin() {
    const TByteOrderMark mark = SniffByteOrderMark(FCarry);
    std::string head;
    head.swap(FCarry);
    if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
      FMode = mWhole;
      FWhole = std::move(head);
      return;
    }
    FMode = mLines;
    FUtf8 = mark == TByteOrderMark::bomUtf8;
    Cut(std::string_view(head).substr(ByteOrderMarkSize(mark)));
  }

  void Cut(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    if (FSkipLF && p < end) {
      FSkipLF = false;
      if (*p == '\n') ++p;
    }
    while (p < end) {
      const char* stop = NextStop(p, end);
      if (stop == end) {
        FCarry.append(p, size_t(end - p));
        return;
      }
      if (*stop == '\0') {  // the text ends here: what comes after is not read
        FCarry.append(p, size_t(stop - p));
        FMode = mEnded;
        return;
      }
      if (FCarry.empty()) {
        Hand(std::string_view(p, size_t(stop - p)));
      } else {
        FCarry.append(p, size_t(stop - p));
        Hand(FCarry);
        FCarry.clear();
      }
      p = stop + 1;
      if (*stop == '\r') {
        if (p == end) {
          FSkipLF = true;  // the LF of a CR LF may come with the next write
        } else if (*p == '\n') {
          ++p;
        }
      }
    }
  }

  void Hand(std::string_view line) {
    FHandedOver = true;
    FSink.Line(line, FUtf8);
  }

  const TFolderLineSink& FSink;
  bool FHandedOver = false;
  uint64_t FSize = 0;
  TMode FMode = mHead;
  bool FUtf8 = false;
  bool FSkipLF = false;
  std::string FCarry;  // the mark's bytes while in mHead, else the line begun
  std::string FWhole;  // the text of a UTF-16 stream
};

}  // namespace

void StoredLineText(std::string_view line, bool utf8, std::u16string& text) {
  if (utf8) {
    Utf8ToUtf16(line, text);
    return;
  }
  text.resize(line.size());
  Cp1252ToUtf16(line, text.data());
}

TLinesResult ReadFolderLines(TStream& stream, TCodeStreamProcedure decode,
                             const TFolderLineSink& sink) {
  stream.SetPosition(0);
  bool damaged = false;
  auto plain = [&] {
    TLineCutter cutter(sink);
    std::vector<char> block(1 << 16);
    for (size_t n; (n = stream.Read(block.data(), block.size())) > 0;)
      cutter.Write(block.data(), n);
    cutter.Finish(false);
  };
  if (!decode) {
    plain();
  } else {
    TLineCutter cutter(sink);
    try {
      decode(stream, cutter);
      cutter.Finish(false);
    } catch (const EKolvaneError&) {
      stream.SetPosition(0);
      char head[2] = {0, 0};
      const size_t n = stream.Read(head, 2);
      stream.SetPosition(0);
      if (StartsWithZlibHeader(std::string_view(head, n))) {
        damaged = true;  // keep the lines the decoder made before the damage
        cutter.Finish(true);
      } else {
        if (cutter.HandedOver() && sink.Restart) sink.Restart();
        plain();
      }
    }
  }
  stream.SetPosition(0);
  return damaged ? TLinesResult::lrDamaged : TLinesResult::lrComplete;
}

}  // namespace kv
