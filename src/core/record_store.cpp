#include "core/record_store.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace kv {

namespace {

constexpr uint32_t kFirstBlock = 4096;
constexpr size_t kGrowingBlocks = 8;  // blocks 0..7 double, the rest are all this size:
constexpr uint32_t kFullBlock = 1u << 20;
constexpr uint64_t kFullBlocksStart = uint64_t(kFirstBlock) * ((1u << kGrowingBlocks) - 1);

}  // namespace

uint32_t TTextArena::BlockSize(size_t k) {
  return k < kGrowingBlocks ? kFirstBlock << k : kFullBlock;
}

uint64_t TTextArena::BlockStart(size_t k) {
  if (k <= kGrowingBlocks) return uint64_t(kFirstBlock) * ((uint64_t(1) << k) - 1);
  return kFullBlocksStart + uint64_t(k - kGrowingBlocks) * kFullBlock;
}

size_t TTextArena::BlockOf(uint32_t at) {
  if (at < kFullBlocksStart) return size_t(std::bit_width(at / kFirstBlock + 1)) - 1;
  return kGrowingBlocks + size_t((at - kFullBlocksStart) / kFullBlock);
}

TTextArena::TRef TTextArena::Add(std::u16string_view text) {
  if (text.empty()) return {};
  const size_t next = FBlocks.size();
  if (text.size() > BlockSize(next)) {  // longer than any block to come: kept on its own
    FLarge.emplace_back(text);
    return {uint32_t(FLarge.size() - 1), kLarge};
  }
  if (FBlocks.empty() || FUsed + text.size() > BlockSize(next - 1)) {
    if (BlockStart(next) + BlockSize(next) > uint64_t(UINT32_MAX))
      throw std::length_error("a folder's texts exceed what one store holds");
    FBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(BlockSize(next)));
    FUsed = 0;
  }
  const size_t k = FBlocks.size() - 1;
  std::memcpy(FBlocks[k].get() + FUsed, text.data(), text.size() * sizeof(char16_t));
  const TRef ref{uint32_t(BlockStart(k) + FUsed), uint32_t(text.size())};
  FUsed += uint32_t(text.size());
  return ref;
}

std::u16string_view TTextArena::View(TRef ref) const {
  if (ref.Length == kLarge) return FLarge[ref.At];
  if (ref.Length == 0) return {};
  const size_t k = BlockOf(ref.At);
  return {FBlocks[k].get() + (ref.At - BlockStart(k)), ref.Length};
}

void TTextArena::Clear() {
  FBlocks.clear();
  FLarge.clear();
  FUsed = 0;
}

size_t TTextArena::Bytes() const {
  size_t bytes = 0;
  for (size_t k = 0; k < FBlocks.size(); ++k) bytes += BlockSize(k) * sizeof(char16_t);
  for (const auto& t : FLarge) bytes += t.capacity() * sizeof(char16_t);
  return bytes;
}

void TRecordStore::clear() {
  FEntries.clear();
  FEntries.shrink_to_fit();
  FArena.Clear();
}

TTextArena::TRef TRecordStore::Text(std::u16string_view text, TRef TEntry::*field) {
  if (!FEntries.empty()) {
    const TRef previous = FEntries.back().*field;
    if (previous.Length == text.size() && FArena.View(previous) == text) return previous;
  }
  return FArena.Add(text);
}

void TRecordStore::push_back(const TMessageView& r) {
  TEntry e;
  CopyRecordNumbers(e, r);
  e.ID = FArena.Add(r.ID);
  e.Subject = FArena.Add(r.Subject);
  e.Server = Text(r.Server, &TEntry::Server);
  e.SenderName = Text(r.SenderName, &TEntry::SenderName);
  e.SenderEmail = Text(r.SenderEmail, &TEntry::SenderEmail);
  e.Received = FArena.Add(r.Received);
  e.ReceiverName = Text(r.ReceiverName, &TEntry::ReceiverName);
  e.ReceiverEmail = Text(r.ReceiverEmail, &TEntry::ReceiverEmail);
  e.Account = Text(r.Account, &TEntry::Account);
  e.Folder = Text(r._Folder, &TEntry::Folder);
  e.Client = r._Client;
  e.Marked = r._Marked;
  e.Checked = r._Checked;
  FEntries.push_back(e);
}

TMessageView TRecordStore::operator[](size_t index) const {
  const TEntry& e = FEntries[index];
  TMessageView v;
  CopyRecordNumbers(v, e);
  v.ID = FArena.View(e.ID);
  v.Subject = FArena.View(e.Subject);
  v.Server = FArena.View(e.Server);
  v.SenderName = FArena.View(e.SenderName);
  v.SenderEmail = FArena.View(e.SenderEmail);
  v.Received = FArena.View(e.Received);
  v.ReceiverName = FArena.View(e.ReceiverName);
  v.ReceiverEmail = FArena.View(e.ReceiverEmail);
  v.Account = FArena.View(e.Account);
  v._Client = e.Client;
  v._Marked = e.Marked;
  v._Checked = e.Checked;
  v._Folder = FArena.View(e.Folder);
  return v;
}

TMessageView TRecordStore::at(size_t index) const {
  if (index >= FEntries.size()) throw std::out_of_range("no such record");
  return (*this)[index];
}

void TRecordStore::Permute(const std::vector<size_t>& order) {
  std::vector<TEntry> sorted;
  sorted.reserve(FEntries.size());
  for (size_t i : order) sorted.push_back(FEntries.at(i));
  FEntries.swap(sorted);
}

TRecordStore::operator TMessages() const {
  TMessages copies;
  copies.reserve(size());
  for (const TMessageView r : *this) copies.push_back(r.ToInfo());
  return copies;
}

bool operator==(const TRecordStore& store, const TMessages& records) {
  if (store.size() != records.size()) return false;
  for (size_t i = 0; i < records.size(); ++i)
    if (!(store[i].ToInfo() == records[i])) return false;
  return true;
}

size_t TRecordStore::Bytes() const { return FEntries.capacity() * sizeof(TEntry) + FArena.Bytes(); }

}  // namespace kv
