// Sector access to one compound file: the one place where sectors are read and written.
//
// Every change of the file passes through WriteSector (the header block through WriteHeader,
// which shares its path). Changed sectors are kept in memory until Commit, which saves the old
// bytes of every overwritten sector in the rollback journal (see journal.h), writes the new
// sectors, the header last, flushes, and clears the journal's header: the journal file stays
// for the next transaction but no longer counts. Rollback drops the changes and restores what
// the journal saved. When the changes outgrow kSpillBytes they are written out
// early under the same journal, so memory stays bounded.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/cfb/file_handle.h"
#include "storage/cfb/journal.h"

namespace kv::cfb {

class TSectorFile {
 public:
  static constexpr size_t kSpillBytes = 16 << 20;

  explicit TSectorFile(std::unique_ptr<TFileHandle> file, bool writable);
  ~TSectorFile();

  const std::u16string& Path() const { return FFile->Path(); }
  bool Writable() const { return FWritable; }
  uint64_t PhysicalSize() const { return FFile->Size(); }
  void SetSectorSize(uint32_t size) { FSectorSize = size; }
  uint32_t SectorSize() const { return FSectorSize; }
  // Sectors present in the file, a cut-short last one included.
  uint64_t SectorsInFile() const;

  // Reads the header block (512 bytes; zeros past the end of the file).
  void ReadHeader(char* block) const;
  // Reads part of a sector; bytes past the end of the file read as zeros.
  void Read(uint32_t sector, uint32_t offset, void* buffer, size_t count) const;
  // Reads `count` whole consecutive sectors.
  void ReadRun(uint32_t first, uint32_t count, char* buffer) const;

  void WriteHeader(const char* block);
  // The single write function for sectors: takes a whole sector.
  void WriteSector(uint32_t sector, const char* data);
  // Read-modify-write of part of a sector, through WriteSector.
  void WritePart(uint32_t sector, uint32_t offset, const void* data, size_t count);

  void Commit();
  // Drops every change since the last Commit and restores the file as it was then.
  void Rollback();

 private:
  uint64_t Offset(uint32_t sector) const { return (uint64_t(sector) + 1) << Shift(); }
  unsigned Shift() const { return FSectorSize == 4096 ? 12 : 9; }
  void Spill(bool final);
  void JournalOldBytes(const std::vector<uint32_t>& sectors);

  std::unique_ptr<TFileHandle> FFile;
  bool FWritable;
  uint32_t FSectorSize = 512;
  uint64_t FOriginalSize = 0;  // the file's size at the start of the transaction
  std::unordered_map<uint32_t, std::vector<char>> FDirty;
  std::optional<std::vector<char>> FDirtyHeader;
  size_t FDirtyBytes = 0;
  std::unique_ptr<TJournalWriter> FJournal;
  std::vector<bool> FJournaled;  // sectors whose old bytes are in the journal
  bool FHeaderJournaled = false;
};

}  // namespace kv::cfb
