// The Outlook Express 5/6 folder file (.dbx): a 9404-byte file header, 544 bytes of folder
// information, an index tree whose values point at one message-info object per message, and the
// message texts as chains of text blocks. All numbers are little-endian; a pointer is a u32 byte
// offset from the start of the file, 0 meaning none.
//
// Listing reads the header, the index nodes, one message-info object per message and the 16-byte
// headers of its text blocks (to add up the size); the texts themselves only on request. A large
// folder is listed in parts at the same time (dbx_listing.h).
//
// Damaged files: structures that cannot be read in full, nodes claiming more than 51 entries,
// subtrees reached twice (a loop back to an ancestor, or a node shared by two parents), values
// that would land outside the message count, attribute data beyond the body and block chains
// that come back to a block already seen are skipped; a message whose index value is missing
// keeps an all-zero record. Nothing is read outside a buffer and every walk ends.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "formats/dbx_listing.h"
#include "formats/oe_reader.h"

namespace kv {

// Image of the file header; the reader decides on four fields only.
struct TDBX_Header {
  static constexpr size_t kSize = 0x24BC;  // 9404
  std::array<unsigned char, kSize> Bytes{};

  uint32_t Field(size_t offset) const { return oe_detail::U32(Bytes.data() + offset); }
  uint32_t Signature() const { return Field(0x000); }
  uint32_t CLSID() const { return Field(0x004); }
  uint32_t FileInfoLength() const { return Field(0x01C); }
  uint32_t TreeEntryCount() const { return Field(0x0C4); }
  uint32_t TreeRootNodePtr() const { return Field(0x0E4); }
};

// Image of the folder information that follows the header.
struct TDBX_MsgFileInfo {
  static constexpr size_t kSize = 544;
  static constexpr size_t kFolderNameOffset = 261;
  static constexpr size_t kFolderNameSize = 263;
  std::array<unsigned char, kSize> Bytes{};
};

// Attribute ids of a message-info object. Ids with bit 7 set carry their value in the entry.
enum TDBXAttribute : uint8_t {
  dbxFlags = 0x01,
  dbxDataOffset = 0x04,
  dbxMessageId = 0x07,
  dbxSubject = 0x08,
  dbxServer = 0x0C,
  dbxSenderName = 0x0D,
  dbxSenderEmail = 0x0E,
  dbxPriority = 0x10,
  dbxReceived = 0x12,
  dbxReceiverName = 0x13,
  dbxReceiverEmail = 0x14,
  dbxAccount = 0x1A,
  dbxIndexDirect = 0x80,
  dbxFlagsDirect = 0x81,
  dbxDataOffsetDirect = 0x84,
  dbxPriorityDirect = 0x90,
};

// Sizes of the fixed structures.
inline constexpr size_t kDbxNodeSize = 0x27C;  // 636
inline constexpr size_t kDbxNodeEntries = 51;
inline constexpr size_t kDbxInfoHeaderSize = 12;
inline constexpr size_t kDbxBlockHeaderSize = 16;

class TDBXReader : public TOEReader {
 public:
  explicit TDBXReader(TOEFiles files);
  ~TDBXReader() override;

  std::u16string FolderName() const override;
  std::u16string GetHeaderText(uint32_t index) override;
  std::u16string GetMessageText(uint32_t index) override;
  // The message count of the file header, bounded by what the file can hold (a message needs
  // at least a 12-byte index entry and a 12-byte message-info header).
  uint32_t MessageCount() const override;
  void OpenFile(const std::u16string& AFileName) override;
  void ReadMessages() override;

  // A folder is listed in parts at the same time, each of `minMessages` messages or more (tests
  // lower it to list small folders in parts), at most `parts` of them (0: one per processor, up
  // to 8).
  void SetPartSize(size_t minMessages, size_t parts = 0);

  const TDBX_Header& Header() const { return FHeader; }
  // File offsets of the message-info objects in index order (0 where the index gave none).
  const std::vector<uint32_t>& ValueArray() const { return FValueArray; }

 private:
  void ReadIndex();
  void ReadIndexNode(uint32_t node, uint64_t start, unsigned depth);
  // The text of message `index` from its block chain; with `headerOnly` it stops at the first
  // block after which the text holds CR LF CR LF.
  std::string ReadText(uint32_t index, bool headerOnly);

  TDBX_Header FHeader;
  TDBX_MsgFileInfo FFileInfo;
  std::vector<uint32_t> FValueArray;
  std::unique_ptr<TReadCache> FCache;
  std::unordered_set<uint32_t> FVisitedNodes;  // nodes the index walk has entered
  TSeenBlocks FChain;                          // blocks of the text being read
  size_t FPartMinMessages = 16384;
  size_t FMaxParts = 0;
};

}  // namespace kv
