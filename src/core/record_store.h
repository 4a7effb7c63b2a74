// A folder's records held compactly: per record a small entry of numbers and text references,
// the entries in chunks that never move and the texts of all records in an arena of large
// blocks. A record costs its entry (about 120 bytes) and its texts once, with no allocation of
// its own; a text that repeats the previous record's same field (folder, account, server,
// receiver) is kept once. Records are read as TMessageView, whose texts stay valid until the
// store is cleared or destroyed (or its records are appended to another store, which then
// holds the texts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/large_block.h"
#include "core/chunked_array.h"
#include "core/message.h"

namespace kv {

// Texts appended to blocks that never move. A reference names its block and its place there,
// so another arena's blocks can be taken over whole by renumbering its references.
class TTextArena {
 public:
  struct TRef {
    uint32_t At = 0;      // block << kOffsetBits | code unit offset in the block
    uint32_t Length = 0;  // kLarge: `At` indexes the texts too long for a block
  };

  TRef Add(std::u16string_view text) {
    // Most texts are short and fit the last block: a copy and a step on.
    if (text.size() - 1 < FLeft) {  // not empty, and fits
      const auto n = uint32_t(text.size());
      std::memcpy(FCursor, text.data(), n * sizeof(char16_t));
      const TRef ref{FNextAt, n};
      FCursor += n;
      FNextAt += n;
      FLeft -= n;
      return ref;
    }
    return AddElsewhere(text);
  }
  std::u16string_view View(TRef ref) const {
    if (ref.Length == kLarge) return FLarge[ref.At];
    if (ref.Length == 0) return {};
    return {Block(ref.At >> kOffsetBits) + (ref.At & (kFullBlock - 1)), ref.Length};
  }
  void Clear();
  // The bytes the blocks take.
  size_t Bytes() const;

  // Takes over the blocks of `other`, which is left empty; `Rebase` then turns a reference
  // into `other` into one into this arena. Texts are not copied.
  struct TRebase {
    uint32_t Blocks = 0, Large = 0;
    TRef operator()(TRef ref) const;
  };
  TRebase Adopt(TTextArena& other);

 private:
  static constexpr uint32_t kLarge = 0xFFFFFFFFu;
  static constexpr uint32_t kOffsetBits = 20;
  static constexpr uint32_t kFullBlock = uint32_t(1) << kOffsetBits;  // code units
  static constexpr size_t kMaxBlocks = size_t(1) << (32 - kOffsetBits);
  // The block after `count` blocks holds 4096 << count code units, up to kFullBlock.
  static uint32_t NextBlockSize(size_t count);

  char16_t* Block(size_t k) const { return static_cast<char16_t*>(FBlocks[k].data()); }
  // An empty text, one for a block of its own, or one that needs a new block.
  TRef AddElsewhere(std::u16string_view text);

  std::vector<TLargeBlock> FBlocks;  // each block's size in code units is its bytes / 2
  std::vector<std::u16string> FLarge;
  // The free part of the last block: where it starts, its reference, and its code units.
  char16_t* FCursor = nullptr;
  uint32_t FNextAt = 0;
  uint32_t FLeft = 0;
};

class TRecordStore {
 public:
  TRecordStore() = default;
  TRecordStore(const TRecordStore&) = delete;
  TRecordStore& operator=(const TRecordStore&) = delete;
  TRecordStore(TRecordStore&&) = default;
  TRecordStore& operator=(TRecordStore&&) = default;

  // Records in one chunk of entries (see Append).
  static const size_t kChunkRecords;

  size_t size() const { return FEntries.size(); }
  bool empty() const { return FEntries.empty(); }
  void clear();
  void reserve(size_t n) { FEntries.reserve(n); }

  void push_back(const TMessageView& record);
  TMessageView operator[](size_t index) const;
  TMessageView at(size_t index) const;
  void SetMarked(size_t index, bool marked) { FEntries.at(index).Marked = marked; }
  void SetClient(size_t index, TEmailClient client) { FEntries.at(index).Client = client; }

  // A record's received date, and the records put in the order `order` lists them (order[j]
  // is the index of the record that becomes record j).
  double Date(size_t index) const { return FEntries[index].ReceivedDate; }
  void Permute(const std::vector<size_t>& order);

  // Moves every record of `other` after the records held; `other` is left empty. The texts
  // change hands without a copy, so the views of `other`'s records stay valid, now held here;
  // the records too, when this store holds a multiple of kChunkRecords.
  void Append(TRecordStore&& other);

  // Copies of every record, whose texts are their own.
  operator TMessages() const;  // NOLINT

  // Heap bytes the store holds (entries and texts).
  size_t Bytes() const;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TMessageView;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TMessageView;
    const_iterator(const TRecordStore* store, size_t index) : FStore(store), FIndex(index) {}
    TMessageView operator*() const { return (*FStore)[FIndex]; }
    const_iterator& operator++() {
      ++FIndex;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return FIndex == o.FIndex; }
    bool operator!=(const const_iterator& o) const { return FIndex != o.FIndex; }

   private:
    const TRecordStore* FStore;
    size_t FIndex;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

 private:
  using TRef = TTextArena::TRef;
  struct TEntry {
    uint32_t Address, Index, Flags, DataOffset, Size, Priority;
    double ReceivedDate;
    TRef ID, Subject, Server, SenderName, SenderEmail, Received, ReceiverName, ReceiverEmail,
        Account, Folder;
    TEmailClient Client;
    bool Marked, Checked;
  };
  static constexpr TRef TEntry::*kTextFields[] = {
      &TEntry::ID,          &TEntry::Subject,  &TEntry::Server,       &TEntry::SenderName,
      &TEntry::SenderEmail, &TEntry::Received, &TEntry::ReceiverName, &TEntry::ReceiverEmail,
      &TEntry::Account,     &TEntry::Folder};
  // A text: the previous record's reference when it holds the same text, else a new one.
  TRef Text(std::u16string_view text, TRef previous);

  TChunkedArray<TEntry> FEntries;
  TTextArena FArena;
};

inline const size_t TRecordStore::kChunkRecords = TChunkedArray<TRecordStore::TEntry>::kChunk;

// Whether the store holds exactly these records, in this order.
bool operator==(const TRecordStore& store, const TMessages& records);

}  // namespace kv
