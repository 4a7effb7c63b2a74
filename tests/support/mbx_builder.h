// Writes Outlook Express 4 folders for tests: the .mbx file (84-byte header, each message text
// behind its 16-byte header) and the matching .idx file (80-byte header, one 212-byte record
// plus seven strings per message) from a description of the messages.
//
//   MbxBuilder b;
//   b.Add({.Text = "From: ann@example.org\r\nSubject: Hi\r\n\r\nbody", .Subject = "Hi"});
//   MbxFolder f = b.Build();  // f.Mbx, f.Idx, f.TextOffsets, f.IdxRecords
//
// Tests that need damaged files patch the bytes or override the stored sizes and counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv::fixtures {

struct MbxMessage {
  std::string Text;  // the raw message (header lines, blank line, body)
  uint32_t Id = 0;   // message number; 0: the message's position + 1
  // Stored sizes; unset: the real text size and the distance to the next text.
  std::optional<uint32_t> MsgSize;
  std::optional<uint32_t> TotalMsgSize;
  size_t Padding = 0;  // bytes of zero between this text and the next message's header

  // The .idx record's facts.
  uint32_t Flags = 0x80;
  uint64_t Received = 0;  // FILETIME ticks, UTC
  uint16_t Priority = 3;
  std::string Subject, ReceiverEmail, SenderEmail, Server, Account;
};

struct MbxFolder {
  std::string Mbx;
  std::string Idx;
  std::vector<uint32_t> TextOffsets;  // per message, in the .mbx file
  std::vector<uint32_t> IdxRecords;   // per message, offset of its .idx record
};

inline constexpr size_t kMbxHeaderBytes = 84;
inline constexpr size_t kIdxHeaderBytes = 80;
inline constexpr size_t kIdxFixedBytes = 212;

class MbxBuilder {
 public:
  MbxBuilder& Add(MbxMessage message);
  // Overrides the message count of the .mbx header (default: the number of messages).
  MbxBuilder& SetMessageCount(uint32_t count);
  // Overrides the record count of the .idx header (default: the number of messages).
  MbxBuilder& SetIndexCount(uint32_t count);
  // Puts `gap` zero bytes between consecutive .idx records (the next-record offset skips them).
  MbxBuilder& SetIndexGap(uint32_t gap);
  size_t MessageCount() const { return FMessages.size(); }

  MbxFolder Build() const;

 private:
  std::vector<MbxMessage> FMessages;
  std::optional<uint32_t> FCount;
  std::optional<uint32_t> FIndexCount;
  uint32_t FIndexGap = 0;
};

}  // namespace kv::fixtures
