// Security identifiers: the binary form and the "S-1-..." text the history file records.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct TSid {
  uint8_t Revision = 1;
  std::array<uint8_t, 6> IdentifierAuthority{};
  std::vector<uint32_t> SubAuthorities;
};

// "S-1-", then the decimal value of each identifier-authority byte that is not 0, in order and
// without separators, then "-" and each sub-authority as an unsigned decimal number. The text
// always says revision 1, as the system's own SIDs are.
std::u16string SidToText(const TSid& sid);

// The binary SID layout (revision, count, 6 authority bytes big-endian, count little-endian
// 32-bit sub-authorities); nullopt when the bytes are too short for the count they state.
std::optional<TSid> SidFromBytes(std::string_view bytes);

}  // namespace kv
