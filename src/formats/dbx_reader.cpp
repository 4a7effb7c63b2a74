#include "formats/dbx_reader.h"

#include <algorithm>
#include <exception>

#include "base/parallel_parts.h"
#include "formats/dbx_listing.h"
#include "formats/read_cache.h"

namespace kv {

using oe_detail::U32;

namespace {

// Real index trees are three or four levels deep even for 100,000 messages; a deeper one is
// damaged, and following it further would only exhaust the stack.
constexpr unsigned kMaxTreeDepth = 32;
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

void TDBXReader::SetPartSize(size_t minMessages, size_t parts) {
  FPartMinMessages = std::max<size_t>(minMessages, 1);
  FMaxParts = parts;
}

namespace {

struct TPart {
  std::span<const uint32_t> Addresses;
  TReadCache* Cache = nullptr;
  TRecordStore Records;
};

}  // namespace

// A large folder is listed in parts at the same time, each part on a thread of its own, and the
// parts' stores are joined in index order without copying their texts. Every record
// depends on its own message-info object and block chain alone, so the records are those of one
// lister from start to end.
void TDBXReader::ReadMessages() {
  if (!FLoaded) return;
  FMI.clear();
  // Each part reads through a cache of its own with the windows of a listing, the first one over
  // the reader's stream, every other one over a stream of its own.
  std::vector<std::unique_ptr<IReadStream>> streams;
  std::vector<std::unique_ptr<TReadCache>> caches;
  caches.push_back(std::make_unique<TReadCache>(Content(), TReadCache::kListingWindowSize));
  try {
    for (size_t k = 1, count = PartCount(FValueArray.size(), FPartMinMessages, FMaxParts);
         k < count; ++k) {
      streams.push_back(FFiles.Open(FFilename));
      if (!streams.back()) break;
      caches.push_back(
          std::make_unique<TReadCache>(*streams.back(), TReadCache::kListingWindowSize));
    }
  } catch (...) {  // parts that cannot have a stream of their own are left out
  }
  std::vector<TPart> parts(caches.size());
  const size_t n = FValueArray.size();
  // Parts of large folders begin at a whole number of the store's chunks of records: the store
  // then takes each part's records over without copying them.
  auto cut = [&](size_t k) {
    const size_t chunk = TRecordStore::kChunkRecords, even = n * k / parts.size();
    if (k == parts.size() || n / parts.size() < chunk) return even;
    return std::min(n, (even + chunk / 2) / chunk * chunk);
  };
  for (size_t k = 0; k < parts.size(); ++k) {
    const size_t begin = cut(k), end = std::max(begin, cut(k + 1));
    parts[k].Addresses = std::span(FValueArray).subspan(begin, end - begin);
    parts[k].Cache = caches[k].get();
  }
  const std::vector<std::exception_ptr> failures = RunParts(parts.size(), [&](size_t k) {
    TPart& part = parts[k];
    part.Records.reserve(part.Addresses.size());
    TDbxLister(*part.Cache, FCTTL).List(part.Addresses, part.Records);
  });
  for (size_t k = 0; k < parts.size(); ++k) {
    FMI.Append(std::move(parts[k].Records));
    if (failures[k]) std::rethrow_exception(failures[k]);  // later parts come after it
  }
}

std::string TDBXReader::ReadText(uint32_t index, bool headerOnly) {
  std::string result;
  if (index >= FMI.size() || !FCache) return result;
  const TMessageView info = FMI[index];
  if (info.Size == 0) throw EOEReaderException(kOENoText);
  const uint64_t fileSize = FCache->Size();
  FChain.Clear();
  std::string bytes;
  for (uint32_t p = info.DataOffset; p != 0 && !FChain.Seen(p);) {
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
