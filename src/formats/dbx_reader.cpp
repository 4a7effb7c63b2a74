#include "formats/dbx_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string_view>

#include "formats/maildate.h"
#include "formats/read_cache.h"

namespace kv {

using oe_detail::U32;

namespace {

// Real index trees are three or four levels deep even for 100,000 messages; a deeper one is
// damaged, and following it further would only exhaust the stack.
constexpr unsigned kMaxTreeDepth = 32;
// A chain longer than this is checked for loops through a hash set instead of a linear scan.
constexpr size_t kShortChain = 32;
// Every how many blocks of a chain the size from there on is kept (see ChainSize).
constexpr size_t kSizeFromEvery = 64;

uint32_t U24(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

}  // namespace

TDBXReader::TDBXReader(TOEFiles files) : TOEReader(std::move(files)) {}

TDBXReader::~TDBXReader() = default;

std::u16string TDBXReader::FolderName() const {
  const auto* name = FFileInfo.Bytes.data() + TDBX_MsgFileInfo::kFolderNameOffset;
  return oe_detail::Text8(
      std::string_view(reinterpret_cast<const char*>(name), TDBX_MsgFileInfo::kFolderNameSize));
}

uint32_t TDBXReader::MessageCount() const {
  return uint32_t(std::min<uint64_t>(FHeader.TreeEntryCount(), ContentSize() / 12));
}

void TDBXReader::OpenFile(const std::u16string& AFileName) {
  FCache.reset();
  TOEReader::OpenFile(AFileName);
  FLoaded = false;
  FValueArray.clear();
  FMI.clear();
  FHeader = {};
  FFileInfo = {};
  FCache = std::make_unique<TReadCache>(Content());
  if (!FCache->ReadFull(0, FHeader.Bytes.data(), TDBX_Header::kSize))
    throw EKolvaneError(kOEReadError);
  if (FHeader.Signature() == kDbxSignature &&
      (FHeader.CLSID() == kDbxFolderListClsid || FHeader.CLSID() == kDbxPop3UidlClsid ||
       FHeader.CLSID() == kDbxOfflineClsid))
    throw EOEOtherDatabase(kOENotDbx);
  if (FHeader.Signature() != kDbxSignature || FHeader.CLSID() != kDbxMessageClsid)
    throw EOEReaderException(kOENotDbx);
  FLoaded = true;
  if (FHeader.TreeEntryCount() == 0) throw EOEReaderException(kOENoMessages);
  // A short folder information leaves the rest zero: the name is all the reader takes from it.
  FCache->Read(TDBX_Header::kSize, FFileInfo.Bytes.data(), TDBX_MsgFileInfo::kSize);
  FValueArray.assign(MessageCount(), 0);
  ReadIndex();
}

void TDBXReader::ReadIndex() {
  FVisitedNodes.clear();
  ReadIndexNode(FHeader.TreeRootNodePtr(), 0, 0);
  FVisitedNodes.clear();
}

// In order: the child before the first entry, then each entry's value followed by its child's
// subtree. Where a subtree's values go comes from the counts stored in the parent, so a damaged
// subtree cannot shift the values of its neighbours.
void TDBXReader::ReadIndexNode(uint32_t node, uint64_t start, unsigned depth) {
  if (node == 0 || depth >= kMaxTreeDepth || !FVisitedNodes.insert(node).second) return;
  unsigned char b[kDbxNodeSize];
  if (!FCache->ReadFull(node, b, sizeof b)) return;
  const unsigned n = b[17];
  if (n > kDbxNodeEntries) return;
  uint64_t placed = 0;
  if (const uint32_t child = U32(b + 8); child != 0) {
    ReadIndexNode(child, start, depth + 1);
    placed += U32(b + 20);
  }
  for (unsigned k = 0; k < n; ++k) {
    const unsigned char* e = b + 24 + 12 * k;
    if (const uint32_t value = U32(e); value != 0) {
      if (start + placed < FValueArray.size()) FValueArray[start + placed] = value;
      ++placed;
    }
    if (const uint32_t child = U32(e + 4); child != 0) {
      ReadIndexNode(child, start + placed, depth + 1);
      placed += U32(e + 8);
    }
  }
}

void TDBXReader::ReadMessages() {
  if (!FLoaded) return;
  FMI.clear();
  FMI.reserve(FValueArray.size());
  FSizeFrom.clear();
  for (const uint32_t value : FValueArray) {
    // An index value the walk never reached would name the file header; the record stays
    // all-zero instead.
    TMessageView record;
    if (value != 0) ReadMessageInfo(value, record);
    FMI.push_back(record);
  }
}

namespace {

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

void TDBXReader::ReadMessageInfo(uint32_t address, TMessageView& record) {
  record.Address = address;
  const std::string_view head = FCache->View(address, kDbxInfoHeaderSize, FBody);
  if (head.size() < kDbxInfoHeaderSize) return;
  const auto* h = reinterpret_cast<const unsigned char*>(head.data());
  const size_t n = h[10];
  const size_t bodySize = U32(h + 4) & 0xFFFF;
  // A body that the file cuts short is decoded as far as it goes. It is read in place: the texts
  // are views into it until they are decoded below.
  const std::string_view bytes =
      FCache->View(uint64_t(address) + kDbxInfoHeaderSize, bodySize, FBody);
  const auto* body = reinterpret_cast<const unsigned char*>(bytes.data());
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
          record.ReceivedDate = FileTimeToDateTime(TFileTime{U32(data), U32(data + 4)}, FCTTL);
        break;
      default: break;
    }
  }

  // The texts that later entries left standing run to their NUL byte, or to the end of the body
  // when that is missing. The part of the body that holds them is widened into FText in one pass
  // (not one per text), and each text is then read at its own place there; before the chain is
  // walked, which may move the cache's windows.
  std::array<size_t, kTextCount> textEnd{};
  size_t from = size, to = 0;
  for (size_t k = 0; k < kTextCount; ++k) {
    if (textAt[k] == 0) continue;
    const void* nul = std::memchr(body + textAt[k], 0, size - textAt[k]);
    textEnd[k] = nul ? size_t(static_cast<const unsigned char*>(nul) - body) : size;
    from = std::min(from, textAt[k]);
    to = std::max(to, textEnd[k]);
  }
  if (from < to) {
    if (FText.size() < to - from) FText.resize(to - from);
    oe_detail::Widen8(bytes.substr(from, to - from), FText.data());
    for (size_t k = 0; k < kTextCount; ++k) {
      if (textAt[k] != 0)
        record.*kTextAttributes[k].Field =
            std::u16string_view(FText.data() + (textAt[k] - from), textEnd[k] - textAt[k]);
    }
  }

  // The size is the sum of the text bytes of the block chain; only block headers are read.
  record.Size = ChainSize(record.DataOffset);
}

uint32_t TDBXReader::ChainSize(uint32_t first) {
  FChain.clear();
  if (!FLongChain.empty()) FLongChain.clear();  // clearing clears every bucket, even when empty
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
    if (SeenBlock(p)) {
      loops = true;
      break;
    }
    const std::string_view header = FCache->View(p, kDbxBlockHeaderSize, FSpare);
    if (header.size() < kDbxBlockHeaderSize) break;
    const auto* block = reinterpret_cast<const unsigned char*>(header.data());
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

bool TDBXReader::SeenBlock(uint32_t p) {
  if (FChain.size() < kShortChain) {
    if (std::find(FChain.begin(), FChain.end(), p) != FChain.end()) return true;
    FChain.push_back(p);
    if (FChain.size() == kShortChain) FLongChain.insert(FChain.begin(), FChain.end());
    return false;
  }
  return !FLongChain.insert(p).second;
}

std::string TDBXReader::ReadText(uint32_t index, bool headerOnly) {
  std::string result;
  if (index >= FMI.size() || !FCache) return result;
  const TMessageInfo& info = FMI[index];
  if (info.Size == 0) throw EOEReaderException(kOENoText);
  const uint64_t fileSize = FCache->Size();
  FChain.clear();
  FLongChain.clear();
  std::string bytes;
  for (uint32_t p = info.DataOffset; p != 0 && !SeenBlock(p);) {
    unsigned char block[kDbxBlockHeaderSize];
    if (!FCache->ReadFull(p, block, sizeof block)) break;
    const uint32_t count = U32(block + 8);
    const uint64_t textAt = uint64_t(p) + kDbxBlockHeaderSize;
    // A block claiming more bytes than the file holds cannot be read; neither can a text
    // longer than the whole file, which only overlapping damaged blocks could produce.
    if (count > fileSize - std::min(textAt, fileSize) || result.size() + count > fileSize) break;
    bytes.resize(count);
    if (!FCache->ReadFull(textAt, bytes.data(), count)) break;
    const size_t searchFrom = result.size() < 3 ? 0 : result.size() - 3;
    result.append(bytes.data(), std::min<size_t>(count, bytes.find('\0')));
    if (headerOnly && result.find("\r\n\r\n", searchFrom) != std::string::npos) break;
    p = U32(block + 12);
  }
  return result;
}

std::u16string TDBXReader::GetHeaderText(uint32_t index) {
  const std::string text = ReadText(index, true);
  const size_t end = text.find("\r\n\r\n");
  if (end == std::string::npos) return {};
  return oe_detail::Text8(std::string_view(text).substr(0, end + 1));
}

std::u16string TDBXReader::GetMessageText(uint32_t index) {
  return oe_detail::Text8(ReadText(index, false));
}

}  // namespace kv
