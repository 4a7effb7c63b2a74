// A folder's records held compactly: per record a small entry of numbers and text references,
// the texts of all records in one arena of large blocks. A record costs its entry (about 120
// bytes) and its texts once, with no allocation of its own; a text that repeats the previous
// record's same field (folder, account, server, receiver) is kept once. Records are read as
// TMessageView, whose texts stay valid until the store is cleared or destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/message.h"

namespace kv {

// Texts appended to blocks that never move; a reference is a position and a length.
class TTextArena {
 public:
  struct TRef {
    uint32_t At = 0;
    uint32_t Length = 0;  // kLarge: `At` indexes the texts too long for a block
  };

  TRef Add(std::u16string_view text);
  std::u16string_view View(TRef ref) const;
  void Clear();
  // Code units held, and the bytes the blocks take.
  size_t Bytes() const;

 private:
  static constexpr uint32_t kLarge = 0xFFFFFFFFu;
  // Block k holds 4096 << k code units, up to 1 << 20 from block 8 on; its first position is
  // a function of k, so a position finds its block without a search.
  static uint32_t BlockSize(size_t k);
  static uint64_t BlockStart(size_t k);
  static size_t BlockOf(uint32_t at);

  std::vector<std::unique_ptr<char16_t[]>> FBlocks;
  uint32_t FUsed = 0;  // code units used in the last block
  std::vector<std::u16string> FLarge;
};

class TRecordStore {
 public:
  TRecordStore() = default;
  TRecordStore(const TRecordStore&) = delete;
  TRecordStore& operator=(const TRecordStore&) = delete;

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
  // A text: the previous record's reference when it holds the same text, else a new one.
  TRef Text(std::u16string_view text, TRef TEntry::*field);

  std::vector<TEntry> FEntries;
  TTextArena FArena;
};

// Whether the store holds exactly these records, in this order.
bool operator==(const TRecordStore& store, const TMessages& records);

}  // namespace kv
