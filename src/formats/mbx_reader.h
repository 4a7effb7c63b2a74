// The Outlook Express 4 folder: a .mbx file holding the message texts one after another, each
// behind a 16-byte header, and beside it, when it exists, an .idx file of the same name with one
// index record per message. With the .idx file the records come from it (dates, flags, priority,
// subject, addresses, account, server); without it the reader takes sender, subject and date
// from the header of each message in the .mbx file.
//
// Damaged files: where the sizes of a message do not lead to a header carrying the message
// marker, the scan goes on at the next marker after that message's start (files whose texts were
// edited in place keep their old sizes); it stops at the first message header it cannot read or
// whose successor would not lie beyond it; header texts are gathered only from the message's own
// bytes; the record count is bounded by what the file can hold. A damaged .idx file fills the
// records it can and leaves the rest all-zero.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/oe_reader.h"

namespace kv {

class TReadCache;

// Image of the first 84 bytes of the .mbx file.
struct TMBX_Header {
  static constexpr size_t kSize = 84;
  std::array<unsigned char, kSize> Bytes{};
  uint32_t Signature() const { return oe_detail::U32(Bytes.data()); }
  uint32_t MsgCount() const { return oe_detail::U32(Bytes.data() + 8); }
};

// The 16 bytes stored before each message text.
struct TMBX_MsgHeader {
  static constexpr size_t kSize = 16;
  uint32_t unk1 = 0;          // kMbxMessageMarker
  uint32_t ID = 0;            // message number
  uint32_t TotalMsgSize = 0;  // from this message's text to the next message's text
  uint32_t MsgSize = 0;       // text bytes of this message
};

struct TMBX_MessageInfo {
  TMBX_MsgHeader Header;
  uint32_t StartingOffset = 0;  // offset of the message text in the .mbx file
  std::u16string RawHeader;     // header text up to the CR that closes its last line
};

inline constexpr size_t kMbxFirstText = 100;  // the first message's text
// The first u32 of every message header Outlook Express writes (bytes 00 7F 00 7F).
inline constexpr uint32_t kMbxMessageMarker = 0x7F007F00;
inline constexpr size_t kIdxHeaderSize = 80;
inline constexpr size_t kIdxRecordSize = 212;

class TMBXReader : public TOEReader {
 public:
  explicit TMBXReader(TOEFiles files);
  ~TMBXReader() override;

  // The .mbx file's name without folder and extension.
  std::u16string FolderName() const override;
  // The message's header text; empty for an index outside the messages found.
  std::u16string GetHeaderText(uint32_t index) override;
  std::u16string GetMessageText(uint32_t index) override;
  // The header's message count, bounded by what the file can hold (16 bytes a message).
  uint32_t MessageCount() const override;
  void OpenFile(const std::u16string& AFileName) override;
  void ReadMessages() override;

  const std::vector<TMBX_MessageInfo>& MessageHeaders() const { return FMH; }
  // The .idx companion of a .mbx path: the same name with the extension ".idx".
  static std::u16string IndexFileName(const std::u16string& mbxPath);

 private:
  std::u16string ReadRawHeader(size_t index);
  // Fills FMI from the .idx file; false when it does not exist.
  bool ReadIndexFile(TMessages& records);
  // Offset of the first message marker in [from, to), 0 when there is none.
  uint64_t FindMarker(uint64_t from, uint64_t to);
  void ReadHeaderFields(TMessages& records);

  TMBX_Header FHeader;
  std::vector<TMBX_MessageInfo> FMH;
  std::vector<std::string> FRawBytes;  // the header bytes behind each RawHeader
  std::unique_ptr<TReadCache> FCache;
};

}  // namespace kv
