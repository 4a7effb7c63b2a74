// An open file of the local file system together with its lock. Compound files are held
// exclusively while they are written: the lock is an open-file-description lock (F_OFD_SETLK)
// on POSIX and a byte-range lock of the open handle (LockFileEx) on Windows; either conflicts
// with other opens of the same file in this process as well as in others, and is never waited
// for. Readers take a shared lock, so readers exclude a writer and the other way round. All
// physical writes, to a data file or to its journal, go through WriteAt. A flush is fdatasync
// on POSIX, FlushFileBuffers on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kv::cfb {

class TFileHandle {
 public:
  enum class TMode { Read, Write, Journal };

  // Read: the file must exist; shared lock. Write: creates the file when none exists;
  // exclusive lock. Journal: opens or creates for reading and writing, no lock (the journal is
  // only touched while its data file is held exclusively). Throws EStorageError naming the file.
  TFileHandle(std::u16string_view path, TMode mode);
  // A read-only file in memory holding `bytes` (for the fuzz targets and tests).
  static std::unique_ptr<TFileHandle> InMemory(std::string_view bytes);
  struct TInMemory {};
  explicit TFileHandle(TInMemory) {}
  ~TFileHandle();
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  const std::u16string& Path() const { return FPath; }
  uint64_t Size() const;
  // Reads up to `count` bytes; fewer only at the end of the file.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) const;
  void WriteAt(uint64_t offset, const void* buffer, size_t count);
  void Truncate(uint64_t size);
  void Sync();

 private:
  std::u16string FPath;
  intptr_t FFd = -1;  // the descriptor on POSIX, the HANDLE on Windows (-1: none)
};

bool FileExists(std::u16string_view path);
void SyncParentDirectory(std::u16string_view path);
// How many flushes to disk (of files and of folders) this process has asked for so far.
uint64_t FlushCount();
void CountFlush();  // by the system's part of this unit, at each flush

// Test hook for fault injection: called before every physical write and every logical sector
// write; whatever it throws travels up as if the write had failed. Empty by default.
using TWriteFaultHook = std::function<void()>;
void SetWriteFaultHook(TWriteFaultHook hook);
void CallWriteFaultHook();

}  // namespace kv::cfb
