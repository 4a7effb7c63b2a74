// The rollback journal that keeps a compound file whole across failures.
//
// Why a journal: the file is rewritten in place (freed sectors are reused, so it does not grow),
// which means a rewrite overwrites sectors of the previous state. Before any sector that existed
// when the transaction began is overwritten, its old bytes are written to "<file>-journal" and
// the journal is flushed to disk. The writer then updates the file, header last, flushes it,
// and clears the journal's header: that clearing is the commit. A failure at any point before
// it leaves a valid journal from which the old state is restored exactly: at once by the writer
// that failed, or, if the process died, by the next open of the file. If the clearing itself
// is lost in a crash, the next open rolls the last transaction back: the file is still whole.
//
// The journal file stays beside the data file between transactions, with a cleared header, so
// a commit costs two flushes and no creation or removal of files. Every transaction stamps its
// records with a fresh random number, so records left over from an earlier, longer transaction
// never pass the check.
//
// Writing a temporary copy and renaming it over the file was rejected: the exclusive lock
// belongs to the open file, so a rename would let another open slip in on the new file, and
// every append would copy the whole history file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "storage/cfb/file_handle.h"

namespace kv::cfb {

constexpr uint32_t kHeaderBlock = 0xFFFFFFFF;  // the journal's number for the header block

std::u16string JournalPath(std::u16string_view dataPath);

class TJournalWriter {
 public:
  // Starts the journal of one transaction of `dataPath`, recording the data file's size before
  // the transaction.
  TJournalWriter(std::u16string_view dataPath, uint32_t sectorSize, uint64_t originalSize);
  // Appends the old bytes of one block (sector number, or kHeaderBlock); they reach the file,
  // in one write with the others, at Sync.
  void Append(uint32_t block, const char* data, size_t size);
  void Sync();
  // Ends the transaction: the journal no longer counts.
  void Clear();

 private:
  TFileHandle FFile;
  uint64_t FNonce = 0;
  uint64_t FEnd = 0;  // where the pending bytes go
  std::string FPending;
};

// Whether a journal beside `dataPath` holds a transaction that must be rolled back.
bool JournalIsHot(std::u16string_view dataPath);
// If a hot journal lies beside `data`, writes its saved blocks back, restores the original
// size, flushes and clears the journal. Records that fail their check (a write cut short by a
// crash) end the replay: their blocks were never overwritten, since the journal is flushed
// first. Returns whether anything was rolled back.
bool RollBackJournal(TFileHandle& data);

}  // namespace kv::cfb
