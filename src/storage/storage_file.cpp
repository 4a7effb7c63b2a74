#include "storage/storage_file.h"

#include "storage/cfb/compound_file.h"

namespace kv {

bool StgIsStorageFile(std::u16string_view path) { return cfb::TCompoundFile::IsCompoundFile(path); }

std::unique_ptr<TStructuredStorage> OpenStorageFile(std::u16string_view path, uint32_t mode) {
  std::shared_ptr<cfb::TCompoundFile> file = IsWriteMode(mode)
                                                 ? cfb::TCompoundFile::OpenForWriting(path)
                                                 : cfb::TCompoundFile::OpenForReading(path);
  return std::make_unique<TStructuredStorage>(
      nullptr, TStorageRef{std::move(file), cfb::TCompoundFile::kRoot});
}

}  // namespace kv
