// One collected message, the client it came from, and its one-line text form, the record line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/text.h"

namespace kv {

enum class TEmailClient : uint8_t {
  ecOutlookExpress = 0,
  ecWindowsMail = 1,
  ecWindowsLiveMail = 2,
  ecThunderbird = 3,
  ecOutlook = 4,
  ecNone = 255,
};

struct TMessageInfo {
  uint32_t Address = 0;
  uint32_t Index = 0;
  uint32_t Flags = 0;       // 0x80 read, 0x4000 has attachments
  uint32_t DataOffset = 0;
  std::u16string ID;
  std::u16string Subject;
  std::u16string Server;
  std::u16string SenderName;
  std::u16string SenderEmail;
  TDateTime ReceivedDate = 0;  // local time; 0 when unknown
  std::u16string Received;
  std::u16string ReceiverName;
  std::u16string ReceiverEmail;
  std::u16string Account;
  uint32_t Size = 0;
  uint32_t Priority = 0;    // 1 highest, 3 normal, 5 lowest, 0 none
  TEmailClient _Client = TEmailClient::ecOutlookExpress;
  bool _Marked = false;
  bool _Checked = false;
  std::u16string _Folder;

  bool operator==(const TMessageInfo&) const = default;
};

using TMessages = std::vector<TMessageInfo>;

constexpr uint32_t kFlagRead = 0x80;
constexpr uint32_t kFlagAttachment = 0x4000;

// Appends the record line of every record from `start` on to `lines`.
void FormatMessageLines(const TMessages& records, TStringList& lines, int64_t start);
// The record line of one record. Text fields never carry a separator: ";" becomes "," and
// CR, LF and NUL become a blank, so one record is always exactly one line of 14 fields.
std::u16string FormatMessageLine(const TMessageInfo& record);
// Whether the line writer replaces `c` in a text field: ";" by ",", CR, LF and NUL by a blank.
constexpr bool IsReplacedInLine(char16_t c) {
  constexpr uint64_t kReplaced = (uint64_t(1) << u'\0') | (uint64_t(1) << u'\n') |
                                 (uint64_t(1) << u'\r') | (uint64_t(1) << u';');
  return c <= u';' && ((kReplaced >> c) & 1) != 0;
}
// The character a text field carries in a line for `c`.
constexpr char16_t LineFieldChar(char16_t c) {
  return !IsReplacedInLine(c) ? c : c == u';' ? u',' : u' ';
}
// The next field of a record line's remaining text: the text before the next ";", removed from
// `rest` with its ";"; when no ";" is left, an empty field and nothing removed.
std::u16string_view NextLineField(std::u16string_view& rest);

// Clears `record` and fills it from `line`; never fails.
void ParseMessageLine(std::u16string_view line, TMessageInfo& record);

}  // namespace kv
