// The 8-bit texts of one message-info object, decoded together. The bytes from the first text on
// are widened to UTF-16 (Windows-1252, as oe_detail::Text8 does) in one pass that marks their NUL
// bytes on the way; each text is then a view from its start to its NUL byte, or to the end of the
// bytes when that is missing. The texts of an object lie side by side with little between them,
// so one pass over all of them costs less than a search and a conversion per text.
//
//   TText8Area area;
//   area.Decode(body.substr(first));
//   std::u16string_view subject = area.Text(subjectAt - first);
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

class TText8Area {
 public:
  // Decodes `bytes`; the views of an earlier call end.
  void Decode(std::string_view bytes);
  // The text that begins at byte `at` (below the size decoded), valid until the next Decode.
  std::u16string_view Text(size_t at) const {
    size_t run = at / kRun;
    unsigned nul = unsigned(FNul[run]) >> (at % kRun);
    size_t base = at;  // the byte that bit 0 of `nul` stands for
    while (nul == 0) {
      if (++run * kRun >= FSize) return {FText.data() + at, FSize - at};
      nul = FNul[run];
      base = run * kRun;
    }
    return {FText.data() + at, base + size_t(std::countr_zero(nul)) - at};
  }

 private:
  static constexpr size_t kRun = 16;
  std::u16string FText;        // the bytes widened, with room for whole runs
  std::vector<uint16_t> FNul;  // per run of kRun bytes: bit k set where byte k is NUL
  size_t FSize = 0;
};

}  // namespace kv
