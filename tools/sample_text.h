// Text helpers of the sample generator: charsets through iconv, encoded words, line ends, and
// the internet messages of the .eml and mbox stores with the facts a scan must read from them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sample_manifest.h"

namespace kv::samples {

// UTF-8 text in another charset ("windows-1252", "koi8-r", "iso-2022-jp", ...). Throws
// std::runtime_error when the charset is unknown or lacks a character of the text.
std::string EncodeText(std::string_view charset, std::string_view utf8);
// An encoded word "=?charset?B|Q?...?=" of UTF-8 text in `charset`.
std::string Word(std::string_view charset, std::string_view utf8, char encoding = 'B');
// Text with every "\n" made "\r\n" (the text holds no "\r").
std::string Crlf(std::string_view text);
// The number of bytes of the text's lines without their line ends (CR LF or LF).
uint32_t LineBytes(std::string_view text);
// A GUID-like name "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" that depends only on `seed`.
std::string GuidName(uint32_t seed);

// A calendar time.
struct TStamp {
  int Year = 0, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};
// The UTC stamp of a local time at a zone `zoneMinutes` east of UTC.
std::string UtcOf(const TStamp& local, int zoneMinutes);
// "Sat Mar 16 10:12:00 2013": the time of an mbox "From - " line.
std::string EnvelopeTime(const TStamp& t);
// FILETIME ticks of a UTC time.
uint64_t FileTimeOf(const TStamp& utc);

// One internet message of the .eml and mbox stores and what a scan reads from it.
struct TMail {
  std::string From;                     // the From field as written
  std::string SenderName, SenderEmail;  // what it gives
  std::string To;
  std::string ReceiverName, ReceiverEmail;
  std::string SubjectField;   // as written: encoded words, or raw UTF-8 bytes
  std::string Subject;        // decoded, UTF-8
  TStamp Local;               // the Date field's time; Year 0: no Date field
  int Zone = 0;               // its zone, minutes east of UTC
  std::string PriorityField;  // X-Priority as written; empty: none
  uint32_t Priority = 0;      // what it gives
  std::string MessageId;
  std::string Body;  // plain text, UTF-8, "\n" line ends
  struct TFile {
    std::string Name, Type, Bytes;
  };
  std::vector<TFile> Files;
  // Fields written first (the Mozilla status lines of an mbox message).
  std::vector<std::pair<std::string, std::string>> Leading;
};

// The message text, "\n" line ends.
std::string MailText(const TMail& mail);
// The manifest row of a message, Flags and Size left 0.
TSampleMessage ExpectedOf(const TMail& mail, std::string_view client, std::string_view folder);

// A small deterministic attachment: `size` bytes of a PDF-like or PNG-like file.
std::string AttachmentBytes(std::string_view kind, size_t size, uint32_t seed);

}  // namespace kv::samples
