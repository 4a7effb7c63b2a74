#include "formats/text8_area.h"

#include <bit>

#include "base/codepage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

namespace {

#if defined(__SSE2__)
// Widens the kRun bytes at `in` into `out`; returns the bits of their NUL bytes. Bytes 0x80..0x9F,
// which the code page maps elsewhere and which are rare in text, are converted again one by one.
unsigned WidenRun(const char* in, char16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
  const __m128i top3 = _mm_and_si128(v, _mm_set1_epi8(char(0xE0)));
  for (unsigned mapped =
           unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(top3, _mm_set1_epi8(char(0x80)))));
       mapped != 0; mapped &= mapped - 1) {
    const int k = std::countr_zero(mapped);
    Cp1252ToUtf16(std::string_view(in + k, 1), out + k);
  }
  return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
}
#endif

}  // namespace

void TText8Area::Decode(std::string_view bytes) {
  FSize = bytes.size();
  const size_t runs = (FSize + kRun - 1) / kRun;
  if (FText.size() < runs * kRun) FText.resize(runs * kRun);
  if (FNul.size() < runs) FNul.resize(runs);
#if defined(__SSE2__)
  if (FSize >= kRun) {
    size_t i = 0;
    for (; i + kRun <= FSize; i += kRun)
      FNul[i / kRun] = uint16_t(WidenRun(bytes.data() + i, FText.data() + i));
    // A last part run is widened as the last kRun bytes, over the end of the run before.
    if (i < FSize)
      FNul[i / kRun] = uint16_t(
          WidenRun(bytes.data() + FSize - kRun, FText.data() + FSize - kRun) >> (i + kRun - FSize));
    return;
  }
#endif
  // Byte by byte: short texts, and all of them without SSE2.
  Cp1252ToUtf16(bytes, FText.data());
  for (size_t i = 0; i < FSize; i += kRun) {
    unsigned nul = 0;
    for (size_t k = 0; k < kRun && i + k < FSize; ++k) nul |= unsigned(bytes[i + k] == '\0') << k;
    FNul[i / kRun] = uint16_t(nul);
  }
}

}  // namespace kv
