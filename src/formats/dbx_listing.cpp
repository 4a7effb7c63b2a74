#include "formats/dbx_listing.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

#include "formats/dbx_reader.h"
#include "formats/maildate.h"

namespace kv {

using oe_detail::U32;

namespace {

// Every how many blocks of a chain the size from there on is kept (see ChainSize).
constexpr size_t kSizeFromEvery = 64;

const unsigned char* Bytes(std::string_view bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

uint32_t U24(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

// The text attributes of a message-info object and the record fields they fill.
struct TTextAttribute {
  uint8_t Id;
  TTextView TMessageView::*Field;
};
constexpr TTextAttribute kTextAttributes[] = {
    {dbxMessageId, &TMessageView::ID},
    {dbxSubject, &TMessageView::Subject},
    {dbxServer, &TMessageView::Server},
    {dbxSenderName, &TMessageView::SenderName},
    {dbxSenderEmail, &TMessageView::SenderEmail},
    {dbxReceiverName, &TMessageView::ReceiverName},
    {dbxReceiverEmail, &TMessageView::ReceiverEmail},
    {dbxAccount, &TMessageView::Account},
};
constexpr size_t kTextCount = std::size(kTextAttributes);

// The place in kTextAttributes of each attribute id, kTextCount for the ids of other values.
constexpr std::array<uint8_t, 0x80> kTextSlot = [] {
  std::array<uint8_t, 0x80> slots{};
  slots.fill(uint8_t(kTextCount));
  for (size_t k = 0; k < kTextCount; ++k) slots[kTextAttributes[k].Id] = uint8_t(k);
  return slots;
}();

}  // namespace

void TSeenBlocks::Clear() {
  FShort.clear();
  if (!FLong.empty()) FLong.clear();  // clearing an unordered set clears every bucket, even empty
}

bool TSeenBlocks::Seen(uint32_t p) {
  if (FShort.size() < kShortChain) {
    if (std::find(FShort.begin(), FShort.end(), p) != FShort.end()) return true;
    FShort.push_back(p);
    if (FShort.size() == kShortChain) FLong.insert(FShort.begin(), FShort.end());
    return false;
  }
  return !FLong.insert(p).second;
}

TDbxLister::TDbxLister(TReadCache& cache, bool toLocal) : FCache(cache), FToLocal(toLocal) {}

void TDbxLister::List(std::span<const uint32_t> addresses, TRecordStore& out) {
  for (const uint32_t address : addresses) {
    // An index value the walk never reached would name the file header; the record stays
    // all-zero instead.
    TMessageView record;
    if (address != 0) ReadMessageInfo(address, record);
    out.push_back(record);
  }
}

void TDbxLister::ReadMessageInfo(uint32_t address, TMessageView& record) {
  record.Address = address;
  const std::string_view head = FCache.View(address, kDbxInfoHeaderSize, FBody);
  if (head.size() < kDbxInfoHeaderSize) return;
  const unsigned char* h = Bytes(head);
  const size_t n = h[10];
  const size_t bodySize = U32(h + 4) & 0xFFFF;
  // A body that the file cuts short is decoded as far as it goes. It is read in place: the texts
  // are views into it until they are decoded below.
  const std::string_view bytes =
      FCache.View(uint64_t(address) + kDbxInfoHeaderSize, bodySize, FBody);
  const unsigned char* body = Bytes(bytes);
  const size_t size = bytes.size();
  const size_t dataStart = 4 * n;
  std::array<size_t, kTextCount> textAt{};  // where each text begins in the body; 0: none

  for (size_t k = 0; k < n && 4 * k + 4 <= size; ++k) {
    const uint8_t id = body[4 * k];
    const uint32_t value = U24(body + 4 * k + 1);
    if (id & 0x80) {
      switch (id) {
        case dbxIndexDirect: record.Index = value; break;
        case dbxFlagsDirect: record.Flags = value; break;
        case dbxDataOffsetDirect: record.DataOffset = value; break;
        case dbxPriorityDirect: record.Priority = value; break;
        default: break;
      }
      continue;
    }
    const size_t at = dataStart + value;
    if (at >= size) continue;  // data beyond the body: the attribute is skipped
    const unsigned char* data = body + at;
    const size_t left = size - at;
    if (const size_t slot = kTextSlot[id]; slot < kTextCount) {
      textAt[slot] = at;  // never 0: the entries come first
      continue;
    }
    switch (id) {
      case dbxFlags:
        if (left >= 4) record.Flags = U32(data);
        break;
      case dbxDataOffset:
        if (left >= 4) record.DataOffset = U32(data);
        break;
      case dbxPriority:
        if (left >= 4) record.Priority = U32(data);
        break;
      case dbxReceived:
        if (left >= 8)
          record.ReceivedDate = FileTimeToDateTime(TFileTime{U32(data), U32(data + 4)}, FToLocal);
        break;
      default: break;
    }
  }

  // The texts that later entries left standing, decoded together from the first of them on;
  // before the chain is walked, which may move the cache's windows.
  size_t first = size;
  for (const size_t at : textAt)
    if (at != 0) first = std::min(first, at);
  if (first < size) {
    FTexts.Decode(bytes.substr(first));
    for (size_t k = 0; k < kTextCount; ++k)
      if (textAt[k] != 0) record.*kTextAttributes[k].Field = FTexts.Text(textAt[k] - first);
  }

  // The size is the sum of the text bytes of the block chain; only block headers are read.
  record.Size = ChainSize(record.DataOffset);
}

uint32_t TDbxLister::ChainSize(uint32_t first) {
  if (first == 0) return 0;
  // A message of one block needs no walk (and any size kept for its block is the same).
  if (const std::string_view header = FCache.View(first, kDbxBlockHeaderSize, FSpare);
      header.size() == kDbxBlockHeaderSize && U32(Bytes(header) + 12) == 0)
    return U32(Bytes(header) + 8);
  FChain.Clear();
  FWalk.clear();
  uint32_t rest = 0;  // the size from where the walk stopped on
  bool loops = false;
  uint32_t p = first;
  while (p != 0) {
    if (!FSizeFrom.empty()) {
      if (const auto known = FSizeFrom.find(p); known != FSizeFrom.end()) {
        rest = known->second;
        break;
      }
    }
    if (FChain.Seen(p)) {
      loops = true;
      break;
    }
    const std::string_view header = FCache.View(p, kDbxBlockHeaderSize, FSpare);
    if (header.size() < kDbxBlockHeaderSize) break;
    const unsigned char* block = Bytes(header);
    FWalk.emplace_back(p, U32(block + 8));
    p = U32(block + 12);
  }
  // Sums wrap as the record's 32-bit size does. A walk from any block of a loop goes once round
  // it: every block of the loop is kept, so that a later walk that enters the loop stops at its
  // first block there. Before the loop (or without one) every kSizeFromEvery-th block is kept
  // that has as many blocks of this walk after it: a later walk that joins the chain takes fewer
  // steps than that to a kept block or to where this walk ended. Short chains keep nothing.
  size_t end = FWalk.size();
  if (loops) {
    size_t start = 0;
    while (FWalk[start].first != p) ++start;
    for (size_t k = start; k < end; ++k) rest += FWalk[k].second;
    for (size_t k = start; k < end; ++k) FSizeFrom[FWalk[k].first] = rest;
    end = start;
  }
  for (size_t k = end; k-- > 0;) {
    rest += FWalk[k].second;
    if (k % kSizeFromEvery == 0 && end - k >= kSizeFromEvery) FSizeFrom[FWalk[k].first] = rest;
  }
  return rest;
}

}  // namespace kv
