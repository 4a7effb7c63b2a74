// One collected message, the client it came from, and its one-line text form, the record line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/mail_clients.h"
#include "base/text.h"

namespace kv {

struct TMessageInfo {
  uint32_t Address = 0;
  uint32_t Index = 0;
  uint32_t Flags = 0;  // kFlagFlagged, kFlagRead, kFlagAttachment
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
  uint32_t Priority = 0;  // 1 highest, 3 normal, 5 lowest, 0 none
  TEmailClient _Client = TEmailClient::ecOutlookExpress;
  bool _Marked = false;
  bool _Checked = false;
  std::u16string _Folder;

  bool operator==(const TMessageInfo&) const = default;
};

using TMessages = std::vector<TMessageInfo>;

// A text read in place; where a string of its own is needed, it converts to one.
struct TTextView : std::u16string_view {
  TTextView() = default;
  TTextView(std::u16string_view text) : std::u16string_view(text) {}          // NOLINT
  TTextView(const std::u16string& text) : std::u16string_view(text) {}        // NOLINT
  operator std::u16string() const { return std::u16string(data(), size()); }  // NOLINT
};

// Copies the numbers of a record (Address to ReceivedDate) between any two shapes of it: a
// record, its view, a compact store's entry.
template <class To, class From>
void CopyRecordNumbers(To& to, const From& from) {
  to.Address = from.Address;
  to.Index = from.Index;
  to.Flags = from.Flags;
  to.DataOffset = from.DataOffset;
  to.Size = from.Size;
  to.Priority = from.Priority;
  to.ReceivedDate = from.ReceivedDate;
}

// A record read in place: the numbers, and the texts as views into whatever holds them (a
// TMessageInfo, or the compact store of a folder's records). Valid while that holder is.
struct TMessageView {
  uint32_t Address = 0;
  uint32_t Index = 0;
  uint32_t Flags = 0;
  uint32_t DataOffset = 0;
  TTextView ID;
  TTextView Subject;
  TTextView Server;
  TTextView SenderName;
  TTextView SenderEmail;
  TDateTime ReceivedDate = 0;
  TTextView Received;
  TTextView ReceiverName;
  TTextView ReceiverEmail;
  TTextView Account;
  uint32_t Size = 0;
  uint32_t Priority = 0;
  TEmailClient _Client = TEmailClient::ecOutlookExpress;
  bool _Marked = false;
  bool _Checked = false;
  TTextView _Folder;

  TMessageView() = default;
  TMessageView(const TMessageInfo& r);  // NOLINT: a record reads as its own view
  TMessageInfo ToInfo() const;
  // A copy whose texts are its own, where a caller keeps the record.
  operator TMessageInfo() const { return ToInfo(); }  // NOLINT
};

// The flag bits the system reads: flagged (followed up), read, has attachments.
constexpr uint32_t kFlagFlagged = 0x20;
constexpr uint32_t kFlagRead = 0x80;
constexpr uint32_t kFlagAttachment = 0x4000;

// Appends the record line of every record from `start` on to `lines`.
void FormatMessageLines(const TMessages& records, TStringList& lines, int64_t start);
// The record line of one record. Text fields never carry a separator: ";" becomes "," and
// CR, LF and NUL become a blank, so one record is always exactly one line of 14 fields.
std::u16string FormatMessageLine(const TMessageView& record);
// The same into `line`, which keeps its storage from line to line.
void FormatMessageLine(const TMessageView& record, std::u16string& line);
// Whether every text of the record fits Windows-1252 (its line's numbers always do).
bool FitsCp1252(const TMessageView& record);
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

// The fields of a record line, in their order.
enum TLineField : size_t {
  lfIndex,
  lfID,
  lfFlags,
  lfSubject,
  lfServer,
  lfSenderName,
  lfSenderEmail,
  lfReceivedDate,
  lfReceived,
  lfReceiverName,
  lfReceiverEmail,
  lfAccount,
  lfSize,
  lfPriority,
};
constexpr size_t kLineFieldCount = 14;
using TLineFields = std::array<std::u16string_view, kLineFieldCount>;
// A line cut into its fields as the reader takes them: every field but the last ends at the
// next ";" (once none is left, the fields are empty); the last runs to the next ";" or the end.
// A line without any ";" has only empty fields.
TLineFields SplitMessageLine(std::u16string_view line);

// Empties every field; the texts keep their storage for the next record.
void ClearMessageInfo(TMessageInfo& record);

// Clears `record` and fills it from `line`; never fails.
void ParseMessageLine(std::u16string_view line, TMessageInfo& record);

}  // namespace kv
