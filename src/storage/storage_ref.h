// A reference to one storage or stream inside an open compound file: the engine, shared by
// every object opened from the file (the file closes when the last of them is freed), and the
// element's number in its directory.
#pragma once

#include <cstdint>
#include <memory>

#include "storage/cfb/compound_file.h"

namespace kv {

struct TStorageRef {
  std::shared_ptr<cfb::TCompoundFile> File;
  uint32_t Id = cfb::TCompoundFile::kRoot;
  explicit operator bool() const { return bool(File); }
};

}  // namespace kv
