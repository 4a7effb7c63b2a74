// Reads any bytes as a property set; what parses must write back and parse again with the same
// values (property 0 aside: a value stored there may come back as an empty dictionary).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/error.h"
#include "storage/cfb/property_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::cfb::TPropertySet set;
  try {
    set = kv::cfb::ParsePropertySet(std::string_view(reinterpret_cast<const char*>(data), size),
                                    u"fuzz");
  } catch (const kv::EStorageError&) {
    return 0;
  }
  std::string again = kv::cfb::SerializePropertySet(set);
  kv::cfb::TPropertySet back = kv::cfb::ParsePropertySet(again, u"rewritten");
  if (back.Sections.size() != set.Sections.size()) std::abort();
  for (size_t i = 0; i < set.Sections.size(); ++i) {
    auto& before = set.Sections[i].Values;
    auto& after = back.Sections[i].Values;
    before.erase(0);
    after.erase(0);
    if (before.size() != after.size()) std::abort();
    for (const auto& [number, value] : before) {
      auto it = after.find(number);
      if (it == after.end() || it->second.Type != value.Type || it->second.Text != value.Text ||
          it->second.Int != value.Int || it->second.FileTime != value.FileTime) {
        std::abort();
      }
    }
  }
  return 0;
}
