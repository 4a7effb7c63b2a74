// Opens any bytes as a compound file and walks it: every storage, every stream read whole,
// every property set parsed. Damage must end in EStorageError, nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "storage/cfb/compound_file.h"
#include "storage/cfb/property_set.h"

namespace {

void Walk(kv::cfb::TCompoundFile& file, uint32_t storage, int depth) {
  if (depth > 64) return;
  for (uint32_t id : file.Children(storage)) {
    const kv::cfb::TDirEntry& e = file.Entry(id);
    if (e.IsStorage()) {
      Walk(file, id, depth + 1);
      continue;
    }
    std::string bytes = file.ReadWholeStream(id);
    if (!e.Name.empty() && e.Name[0] == u'\x05') {
      try {
        kv::cfb::ParsePropertySet(bytes, u"fuzz");
      } catch (const kv::EStorageError&) {}
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto file =
        kv::cfb::TCompoundFile::OpenBytes(std::string(reinterpret_cast<const char*>(data), size));
    Walk(*file, kv::cfb::TCompoundFile::kRoot, 0);
  } catch (const kv::EStorageError&) {}
  return 0;
}
