// Writes Outlook Express 5/6 folder files (.dbx) from a description in a test: the file header,
// the folder information, an index tree of as many levels as the node capacity asks for, one
// message-info object per message with direct and indirect attributes, and each message text as
// a chain of text blocks.
//
//   DbxBuilder b;
//   b.SetFolderName("Inbox").SetNodeCapacity(3);  // small nodes: several tree levels
//   b.Add({.Subject = "Hello", .SenderEmail = "ann@example.org",
//          .Received = FileTimeUtc(2010, 7, 1, 12, 0, 0), .Text = "Subject: Hello\r\n\r\nHi"});
//   DbxFile f = b.Build();  // f.Bytes is the file, f.Layout says where each structure went
//
// The file is laid out as header, folder information, message-info objects, index nodes, text
// blocks. Tests that need damaged files patch the bytes at the offsets the layout names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::fixtures {

// Little-endian helpers for building and patching files.
void PutU16(std::string& bytes, size_t offset, uint16_t value);
void PutU32(std::string& bytes, size_t offset, uint32_t value);
void PutU64(std::string& bytes, size_t offset, uint64_t value);
uint32_t GetU32(std::string_view bytes, size_t offset);
void AppendU32(std::string& bytes, uint32_t value);

// A FILETIME (100 ns ticks since 1601-01-01 UTC) of a UTC calendar time.
uint64_t FileTimeUtc(int year, int month, int day, int hour, int minute, int second);

// One attribute entry of a message-info object as it is stored.
struct DbxAttribute {
  uint8_t Id = 0;
  std::string Data;    // data-area bytes, for ids below 0x80
  uint32_t Value = 0;  // the 24-bit value itself, for ids 0x80 and above

  static DbxAttribute Text(uint8_t id, std::string_view text);  // stored with its NUL byte
  static DbxAttribute U32(uint8_t id, uint32_t value);
  static DbxAttribute FileTime(uint8_t id, uint64_t fileTime);
  static DbxAttribute Direct(uint8_t id, uint32_t value);
  // Points into the data area at `offset` without data of its own (for damaged entries).
  static DbxAttribute Raw(uint8_t id, uint32_t offset);
};

// One message. Empty texts leave their attribute out; Received 0 leaves the date out.
struct DbxMessage {
  std::string Subject;
  std::string SenderName;
  std::string SenderEmail;
  std::string ReceiverName;
  std::string ReceiverEmail;
  std::string MessageId;
  std::string Server;
  std::string Account;
  uint64_t Received = 0;   // FILETIME ticks, UTC
  uint32_t Flags = 0x80;   // stored as 0x81 (direct) when it fits 24 bits, else as 0x01
  uint32_t Priority = 3;   // stored as 0x90 (direct)
  std::string Text;        // the stored message text; empty: no text blocks
  size_t BlockSize = 512;  // text bytes per block
  // Attributes added after the standard ones (a later entry overrides an earlier one).
  std::vector<DbxAttribute> Extra;
  // When set, these are the whole attribute list: nothing is derived from the fields above
  // (DataOffset included: the text blocks are still written, see DbxLayout::Blocks).
  std::optional<std::vector<DbxAttribute>> Attributes;
};

struct DbxLayout {
  uint32_t RootNode = 0;
  std::vector<uint32_t> Nodes;                // every index node, root first
  std::vector<uint32_t> InfoObjects;          // per message, in message order
  std::vector<std::vector<uint32_t>> Blocks;  // per message, its text blocks in chain order
  uint32_t IndexEnd = 0;  // the message-info objects and nodes lie in [header end, IndexEnd)
};

struct DbxFile {
  std::string Bytes;
  DbxLayout Layout;
};

// Offsets of the header fields and structure parts that tests patch.
inline constexpr size_t kDbxHeaderSize = 0x24BC;
inline constexpr size_t kDbxFileInfoSize = 544;
inline constexpr size_t kDbxEntryCountField = 0xC4;
inline constexpr size_t kDbxRootField = 0xE4;
inline constexpr size_t kDbxNodeBytes = 0x27C;
inline constexpr size_t kDbxNodeChildField = 8;
inline constexpr size_t kDbxNodeCountByte = 17;
inline constexpr size_t kDbxNodeChildCountField = 20;
inline constexpr size_t kDbxNodeEntry0 = 24;  // entries of 12 bytes: value, child, child count
inline constexpr size_t kDbxBlockNextField = 12;
inline constexpr size_t kDbxBlockCountField = 8;

class DbxBuilder {
 public:
  DbxBuilder& SetFolderName(std::string name);
  // Values per node, 1 to 51 (default 51). A folder with more messages than one node holds
  // gets inner nodes whose child pointers (before the first entry and after each entry) lead to
  // the subtrees; a small capacity gives several levels with few messages.
  DbxBuilder& SetNodeCapacity(size_t capacity);
  // Overrides the header's message count (default: the number of messages).
  DbxBuilder& SetEntryCount(uint32_t count);
  DbxBuilder& Add(DbxMessage message);
  size_t MessageCount() const { return FMessages.size(); }

  DbxFile Build() const;

 private:
  std::string FFolderName = "Inbox";
  size_t FCapacity = 51;
  std::optional<uint32_t> FEntryCount;
  std::vector<DbxMessage> FMessages;
};

}  // namespace kv::fixtures
