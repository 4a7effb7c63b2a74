// Our compound file engine: storages, streams and their directory inside one file, read in
// versions 3 and 4 and written in version 3 (512-byte sectors). Elements are created, resized
// and destroyed in place; freed sectors and directory entries are reused, so rewriting the same
// streams again and again does not make the file grow.
//
// A writer's changes form one transaction that ends with Commit, or with the object's end when
// no exception is on its way; an object that ends while an exception unwinds, or whose change
// failed half-way, rolls the file back to its last committed state (see sector_file.h).
//
// Element numbers (entry ids) stay valid while the object lives and the element exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/cfb/allocation_table.h"
#include "storage/cfb/cfb_format.h"
#include "storage/cfb/directory_entry.h"
#include "storage/cfb/sector_file.h"

namespace kv::cfb {

class TCompoundFile {
 public:
  static constexpr uint32_t kRoot = 0;

  // The one helper through which the system opens a compound file for writing. It creates a
  // new compound file only where no file exists or where the file is empty (0 bytes). Any
  // other file must be a valid compound file, else it is refused with an EStorageError
  // (FileAlreadyExists) that names it, and it is left exactly as it was. Holds the file
  // exclusively; a file already open elsewhere gives ShareViolation at once.
  static std::unique_ptr<TCompoundFile> OpenForWriting(std::u16string_view path);
  // Opens an existing compound file for reading; readers share the file, writers are excluded.
  static std::unique_ptr<TCompoundFile> OpenForReading(std::u16string_view path);
  // Opens a compound file from bytes in memory (for reading only; used by the fuzz targets).
  static std::unique_ptr<TCompoundFile> OpenBytes(std::string bytes);
  // Whether `path` names an existing file that starts with a compound file header.
  static bool IsCompoundFile(std::u16string_view path);

  ~TCompoundFile();
  TCompoundFile(const TCompoundFile&) = delete;
  TCompoundFile& operator=(const TCompoundFile&) = delete;

  const std::u16string& Path() const { return FPath; }
  bool Writable() const;
  uint16_t MajorVersion() const { return FHeader.MajorVersion; }

  size_t EntryCount() const { return FEntries.size(); }
  const TDirEntry& Entry(uint32_t id) const;
  // The children of a storage in the order of the directory tree.
  const std::vector<uint32_t>& Children(uint32_t storage) const;
  // The child named `name` (the format's case-insensitive comparison); kNoStream when absent.
  uint32_t Find(uint32_t storage, std::u16string_view name) const;

  // Creates an empty stream or storage; FileAlreadyExists when the name is taken.
  uint32_t Create(uint32_t storage, std::u16string_view name, TEntryType type);
  // Removes a child of `storage` and everything below it.
  void Destroy(uint32_t storage, uint32_t id);

  uint64_t StreamSize(uint32_t id) const { return Entry(id).Size; }
  size_t ReadStream(uint32_t id, uint64_t offset, void* buffer, size_t count);
  std::string ReadWholeStream(uint32_t id);
  // Writes at `offset`, growing the stream as needed.
  void WriteStream(uint32_t id, uint64_t offset, const void* data, size_t count);
  // Sets the size; grown bytes read as zeros.
  void ResizeStream(uint32_t id, uint64_t size);

  // Makes every change so far durable.
  void Commit();
  // Drops the changes since the last Commit; the object cannot be used afterwards.
  void Rollback();
  // Lets go of the file doing nothing more, as a process that dies would (tests only).
  void Abandon();

 private:
  explicit TCompoundFile(std::unique_ptr<TSectorFile> file);
  void Load();
  void InitializeEmpty();
  void CheckUsable() const;
  void CheckWritable() const;
  void CheckStreamSize(uint64_t size) const;
  // Runs a change of the file's tables; a failure half-way leaves them unusable, so only a
  // rollback is safe afterwards.
  template <typename F>
  auto Mutate(F&& change) {
    CheckWritable();
    try {
      return change();
    } catch (...) {
      FBroken = true;
      throw;
    }
  }
  std::u16string What(uint32_t id) const;

  bool IsMini(uint32_t id) const;
  const std::vector<uint32_t>& ChainOf(uint32_t id);
  // One piece of a stream's bytes, lying in one sector or mini sector: the file sector and the
  // offset in it (a mini sector resolved), how many bytes it holds, how many bytes came before
  // it, and its place in the stream's chain. Whole: a full regular sector.
  struct TPiece {
    uint32_t Sector, At;
    size_t Size, Done, Index;
    bool Whole;
  };
  // Walks bytes [offset, offset + count) of stream `id` piece by piece; `visit` returns how
  // many bytes it took: the piece, or more whole consecutive sectors at once.
  template <typename Visit>
  void ForEachPiece(uint32_t id, uint64_t offset, size_t count, Visit&& visit);
  void ReadPieces(uint32_t id, uint64_t offset, char* buffer, size_t count);
  void WritePieces(uint32_t id, uint64_t offset, const char* data, size_t count);
  void ResizeTo(uint32_t id, uint64_t size, bool zeroFill);
  void FreeChain(uint32_t id);
  void ExtendChain(uint32_t id, std::vector<uint32_t>& chain, size_t need, bool mini);
  void MiniPosition(uint64_t miniOffset, uint32_t& sector, uint32_t& offset) const;

  uint32_t AllocateSector();
  void AddFatSector();
  uint32_t AllocateMiniSector();
  uint32_t NewEntry();
  void Relink(uint32_t storage);
  void DestroySubtree(uint32_t id);
  void MarkEntry(uint32_t id) { FDirtyEntries.push_back(id); }
  void WriteMetadata();

  std::unique_ptr<TSectorFile> FFile;
  std::u16string FPath;
  THeader FHeader;
  std::string FHeaderBlock;  // as last read or written
  uint32_t FSectorSize = 512;
  uint64_t FSectorLimit = 0;  // sector numbers at or above it lie outside the file
  TAllocationTable FFat;
  TAllocationTable FMiniFat;
  std::vector<uint32_t> FFatSectors;
  std::vector<uint32_t> FDifatSectors;
  std::vector<uint32_t> FMiniFatSectors;
  std::vector<uint32_t> FDirSectors;
  std::vector<uint32_t> FMiniContainer;  // sectors of the mini stream
  std::vector<TDirEntry> FEntries;
  std::vector<std::vector<uint32_t>> FChildren;
  std::vector<uint32_t> FFreeEntries;
  std::vector<uint32_t> FDirtyEntries;
  std::unordered_map<uint32_t, std::vector<uint32_t>> FChains;
  bool FDifatDirty = false;
  bool FBroken = false;  // a change failed half-way or the file was rolled back
  int FUncaughtAtOpen = 0;
};

}  // namespace kv::cfb
