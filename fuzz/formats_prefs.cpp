// The prefs.js reader over arbitrary bytes, then a lookup of every name it found.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/prefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::TPrefsJS prefs;
  kv::TMemoryReadStream stream(std::string(reinterpret_cast<const char*>(data), size));
  prefs.Load(stream, u"prefs.js");
  for (const kv::TUserPref& pref : prefs.UserPrefs()) prefs.GetUserPref(pref.Name);
  return 0;
}
