// The header of one internet message (an .eml file, one message cut out of an mbox file, the
// header text an Outlook Express store keeps): sender, receivers, subject, date, message id,
// priority, content type and the Mozilla status flags.
//
// The header block starts at the first non-empty line and ends at the first empty line after
// it; callers may pass the whole message, body lines never supply or extend a field. A field
// given twice counts by its first occurrence. Folded lines are unfolded as RFC 5322 says (the
// line break goes, the blank that starts the next line stays).
//
// Nothing here raises: a missing field keeps its default, a value that cannot be decoded is
// kept as far as it could be decoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "base/text.h"
#include "formats/encoded_words.h"

namespace kv {

struct TEMLHeader {
  std::u16string Date;      // "Date:" value as it stands
  TDateTime Timestamp = 0;  // ParseMailDate(Date); written only when a Date field is found
  std::u16string UserName;  // not filled by the parser
  std::u16string From;      // encoded words decoded
  std::u16string Sender;    // encoded words decoded
  std::u16string ReplyTo;
  std::u16string ReturnPath;
  std::u16string SendTo;                   // "To:", encoded words decoded
  std::u16string CC;                       // encoded words decoded
  std::u16string BCC;                      // not filled by the parser
  std::u16string Subject;                  // encoded words decoded, keeps its semicolons
  uint32_t Priority = 0;                   // leading integer of "X-Priority:", 0 when there is none
  std::u16string ContentTransferEncoding;  // upper-cased; "7BIT" when absent
  std::u16string MessageId;
  std::u16string ContentType;  // upper-cased, parameters cut; "TEXT/PLAIN" when absent
  int64_t Size = 0;            // not written by the parser
  std::u16string RevisionID;   // "X-Tilvan-RevisionID:", upper-cased
  std::u16string DocumentID;   // "X-Tilvan-DocumentID:", upper-cased
  bool Attachments = false;    // bit 0x10000000 of "X-Mozilla-Status2:"
  bool Read = false;           // bit 0x00000001 of "X-Mozilla-Status:"
};

// Which fields a parse fills: all of them, or only those a message record takes (From, To,
// Subject, Date, Message-ID, X-Priority and the Mozilla status flags); the others stay empty
// (Content-Type and Content-Transfer-Encoding at their defaults).
enum class THeaderScope { hsAll, hsRecord };

// Parses the header block of a message given as its raw bytes. A UTF-8 byte-order mark is
// skipped and a UTF-16 one (either order) selects UTF-16; otherwise raw 8-bit values that are
// valid UTF-8 read as UTF-8, and other 8-bit values in the charset that the header's
// Content-Type declares (iconv knowing it and it reading ASCII as ASCII), else through
// Windows-1252. Every field but Timestamp and Size is reset first. The defaults of ContentType and
// ContentTransferEncoding are set only when the text holds a non-empty line.
void ReadEMLHeader(std::string_view message, TEMLHeader& header,
                   THeaderScope scope = THeaderScope::hsAll);
// The same for a message already decoded to text.
void ReadEMLHeader(std::u16string_view message, TEMLHeader& header,
                   THeaderScope scope = THeaderScope::hsAll);
// The same for a message given as text lines without their line ends. The list is not changed.
void ReadEMLHeader(const TStringList& lines, TEMLHeader& header);

// DecodeHeaderText for a raw 8-bit value: text outside encoded words is read as UTF-8 when the
// value is valid UTF-8 with bytes above 0x7F, otherwise through Windows-1252.
std::u16string DecodeHeaderBytes(std::string_view raw);

}  // namespace kv
