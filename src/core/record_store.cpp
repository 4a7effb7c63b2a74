#include "core/record_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kv {

uint32_t TTextArena::NextBlockSize(size_t count) {
  constexpr size_t kGrowingBlocks = 8;  // 4096 << 8 == kFullBlock
  return count < kGrowingBlocks ? uint32_t(4096) << count : kFullBlock;
}

TTextArena::TRef TTextArena::AddElsewhere(std::u16string_view text) {
  if (text.empty()) return {};
  if (text.size() > kFullBlock / 2) {  // would waste much of a block: kept on its own
    if (FLarge.size() >= kLarge)
      throw std::length_error("a folder's texts exceed what one store holds");
    FLarge.emplace_back(text);
    return {uint32_t(FLarge.size() - 1), kLarge};
  }
  if (FBlocks.size() >= kMaxBlocks)
    throw std::length_error("a folder's texts exceed what one store holds");
  // The rest of the last block stays unused; a new one takes this text and the next ones.
  const uint32_t units = std::max<uint32_t>(NextBlockSize(FBlocks.size()), uint32_t(text.size()));
  FBlocks.emplace_back(units * sizeof(char16_t));
  FCursor = Block(FBlocks.size() - 1);
  FNextAt = uint32_t(FBlocks.size() - 1) << kOffsetBits;
  FLeft = units;
  return Add(text);
}

void TTextArena::Clear() {
  FBlocks.clear();
  FLarge.clear();
  FCursor = nullptr;
  FNextAt = FLeft = 0;
}

size_t TTextArena::Bytes() const {
  size_t bytes = 0;
  for (const TLargeBlock& b : FBlocks) bytes += b.size();
  for (const auto& t : FLarge) bytes += t.capacity() * sizeof(char16_t);
  return bytes;
}

TTextArena::TRef TTextArena::TRebase::operator()(TRef ref) const {
  if (ref.Length == 0) return {};
  if (ref.Length == kLarge) return {ref.At + Large, kLarge};
  return {ref.At + (Blocks << kOffsetBits), ref.Length};
}

TTextArena::TRebase TTextArena::Adopt(TTextArena& other) {
  if (FBlocks.size() + other.FBlocks.size() > kMaxBlocks ||
      FLarge.size() + other.FLarge.size() >= kLarge)
    throw std::length_error("a folder's texts exceed what one store holds");
  const TRebase rebase{uint32_t(FBlocks.size()), uint32_t(FLarge.size())};
  // Texts added later go on in the adopted last block, or in this arena's own when none came.
  for (TLargeBlock& b : other.FBlocks) FBlocks.push_back(std::move(b));
  for (std::u16string& t : other.FLarge) FLarge.push_back(std::move(t));
  if (!other.FBlocks.empty()) {
    FCursor = other.FCursor;
    FNextAt = other.FNextAt + (rebase.Blocks << kOffsetBits);
    FLeft = other.FLeft;
  }
  other.Clear();
  return rebase;
}

void TRecordStore::clear() {
  FEntries.clear();
  FArena.Clear();
}

TTextArena::TRef TRecordStore::Text(std::u16string_view text, TRef previous) {
  // Compared as bytes: comparing views of UTF-16 text goes code unit by code unit.
  if (previous.Length == text.size() &&
      (text.empty() ||
       std::memcmp(FArena.View(previous).data(), text.data(), text.size() * sizeof(char16_t)) == 0))
    return previous;
  return FArena.Add(text);
}

void TRecordStore::push_back(const TMessageView& r) {
  TEntry e;
  CopyRecordNumbers(e, r);
  static const TEntry kNone{};  // before the first record: no text to share
  const TEntry& previous = FEntries.empty() ? kNone : FEntries.back();
  e.ID = FArena.Add(r.ID);
  e.Subject = FArena.Add(r.Subject);
  e.Server = Text(r.Server, previous.Server);
  e.SenderName = Text(r.SenderName, previous.SenderName);
  e.SenderEmail = Text(r.SenderEmail, previous.SenderEmail);
  e.Received = FArena.Add(r.Received);
  e.ReceiverName = Text(r.ReceiverName, previous.ReceiverName);
  e.ReceiverEmail = Text(r.ReceiverEmail, previous.ReceiverEmail);
  e.Account = Text(r.Account, previous.Account);
  e.Folder = Text(r._Folder, previous.Folder);
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
  TChunkedArray<TEntry> sorted;
  sorted.reserve(FEntries.size());
  for (size_t i : order) sorted.push_back(FEntries.at(i));
  FEntries = std::move(sorted);
}

void TRecordStore::Append(TRecordStore&& other) {
  if (&other == this) return;
  if (empty()) {
    *this = std::move(other);
    other.clear();
    return;
  }
  const TTextArena::TRebase rebase = FArena.Adopt(other.FArena);
  FEntries.Append(std::move(other.FEntries), [&rebase](TEntry& e) {
    for (TRef TEntry::*field : kTextFields) e.*field = rebase(e.*field);
  });
  other.clear();
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

size_t TRecordStore::Bytes() const { return FEntries.Bytes() + FArena.Bytes(); }

}  // namespace kv
