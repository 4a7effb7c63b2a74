// Opening a whole compound file as a root storage object.
//
// Reading shares the file with other readers; writing holds it exclusively, and a second open
// meanwhile fails at once with ShareViolation. Opening for writing goes through the engine's
// one writing helper (TCompoundFile::OpenForWriting): a new compound file is made only where
// no file exists or the file is empty; any other file that is not a compound file is refused
// with an error naming it and is left untouched.
//
// The changes made through the objects of one open form one transaction: they reach the file
// when the root (and every object opened from it) is freed normally, or at Commit. Freeing
// the objects while an exception unwinds, or a failure inside the engine, rolls the file back
// to its state before the open (or the last Commit).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "storage/structured_storage.h"

namespace kv {

// Success exactly when the file exists and is a compound file.
bool StgIsStorageFile(std::u16string_view path);
// mode kModeRead (0x10): an existing compound file, read-only. kModeReadWrite (0x12), with or
// without STGM_CREATE: the file opened or created for writing as described above.
std::unique_ptr<TStructuredStorage> OpenStorageFile(std::u16string_view path, uint32_t mode);

}  // namespace kv
