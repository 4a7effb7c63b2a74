// A reader of INI files such as Mozilla's profiles.ini: "[Section]" lines and "Key=Value" lines
// below them. Section and key names compare ignoring ASCII case; names and values are trimmed;
// lines starting with ";" or "#" are comments. The first section of a name and the first key of
// a name in it count, as the Windows profile-string functions read them.
//
// Text: a UTF-8 or UTF-16 byte-order mark selects that encoding; otherwise the bytes are read as
// UTF-8 when valid, else through Windows-1252 (Thunderbird writes UTF-8 on every platform).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/stream.h"

namespace kv {

class TIniFile {
 public:
  TIniFile() = default;

  // Reads at most kMaxIniBytes of the stream; throws what the stream throws.
  static constexpr size_t kMaxIniBytes = size_t(1) << 20;
  void Load(IReadStream& stream);
  void LoadFromBytes(std::string_view bytes);

  // The value of `key` in `section`; `fallback` when either is missing.
  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view fallback = {}) const;
  bool HasSection(std::u16string_view section) const;

 private:
  struct TSection {
    std::u16string Name;
    std::vector<std::pair<std::u16string, std::u16string>> Keys;
  };
  const TSection* FindSection(std::u16string_view name) const;

  std::vector<TSection> FSections;
};

}  // namespace kv
