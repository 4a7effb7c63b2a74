// The manifest of the bundled sample tree: every mail folder and every message the generator
// wrote, with the fields a scan of the tree must give for it. It is written as MANIFEST.tsv
// beside the tree and read back by the tests.
//
// Text form: UTF-8, one row per line, fields separated by tabs, lines starting with "#" are
// comments. Two kinds of rows:
//   folder   client  path  name  scanned  messages
//   message  client  path  subject  sender_name  sender_email  receiver_name  receiver_email
//            date  received  id  account  server  flags  priority  size
// `path` is the folder's Windows path as the collector lists it ("C:\Users\...\Inbox.dbx");
// `scanned` is 1 when a scan of the user with no store given lists the folder; `date` is the
// message's time in UTC as "YYYY-MM-DDTHH:MM:SSZ", empty when the message has none; `flags` is
// hexadecimal ("0x4080"), the other numbers decimal. Field texts never hold a tab or line break.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv::samples {

// Client names as the command line spells them.
inline constexpr std::string_view kClientOE = "oe";
inline constexpr std::string_view kClientWinMail = "winmail";
inline constexpr std::string_view kClientWinLiveMail = "winlivemail";
inline constexpr std::string_view kClientThunderbird = "thunderbird";

struct TSampleFolder {
  std::string Client;
  std::string Path;
  std::string Name;       // the folder's display name
  bool Scanned = true;    // listed by a scan that finds the store through the registry
  uint32_t Messages = 0;  // messages a read of the folder yields

  bool operator==(const TSampleFolder&) const = default;
};

struct TSampleMessage {
  std::string Client;
  std::string Folder;  // the folder's path
  std::string Subject, SenderName, SenderEmail, ReceiverName, ReceiverEmail;
  std::string Date;      // UTC, "YYYY-MM-DDTHH:MM:SSZ"; empty: none
  std::string Received;  // the Date header text (empty for Outlook Express index records)
  std::string ID, Account, Server;
  uint32_t Flags = 0;
  uint32_t Priority = 0;
  uint32_t Size = 0;

  bool operator==(const TSampleMessage&) const = default;
};

struct TSampleManifest {
  std::vector<TSampleFolder> Folders;
  std::vector<TSampleMessage> Messages;

  bool operator==(const TSampleManifest&) const = default;
};

// The first line of every manifest: it marks a folder as a sample tree the generator may replace.
inline constexpr std::string_view kManifestFirstLine =
    "# Kolvane sample tree: every mail folder and message the generator wrote.";

std::string FormatManifest(const TSampleManifest& manifest);
// Throws std::runtime_error naming the line for a row it cannot read.
TSampleManifest ParseManifest(std::string_view text);

// A UTC calendar time as the manifest writes it.
std::string UtcStamp(int year, int month, int day, int hour, int minute, int second);

}  // namespace kv::samples
