#include "system/sid.h"

#include "base/text.h"

namespace kv {

std::u16string SidToText(const TSid& sid) {
  std::u16string out = u"S-1-";
  for (uint8_t b : sid.IdentifierAuthority) {
    if (b != 0) out += UIntToStr(b);
  }
  for (uint32_t sub : sid.SubAuthorities) {
    out += u'-';
    out += UIntToStr(sub);
  }
  return out;
}

std::optional<TSid> SidFromBytes(std::string_view bytes) {
  if (bytes.size() < 8) return std::nullopt;
  TSid sid;
  sid.Revision = uint8_t(bytes[0]);
  size_t count = uint8_t(bytes[1]);
  if (bytes.size() < 8 + 4 * count) return std::nullopt;
  for (size_t i = 0; i < 6; ++i) sid.IdentifierAuthority[i] = uint8_t(bytes[2 + i]);
  for (size_t i = 0; i < count; ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + 8 + 4 * i);
    sid.SubAuthorities.push_back(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                 uint32_t(p[3]) << 24);
  }
  return sid;
}

}  // namespace kv
