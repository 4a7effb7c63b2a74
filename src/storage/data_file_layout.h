// The layout of a history data file: its name, the storage of each mail client, the summary
// property set and its property numbers, and the mapping of a folder name to a stream name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/mail_clients.h"
#include "storage/cfb/property_set.h"

namespace kv {

// The clients' storages, as the client table names them.
inline constexpr std::u16string_view kStorageOE = kMailClients[0].StorageFolder;
inline constexpr std::u16string_view kStorageWinMail = kMailClients[1].StorageFolder;
inline constexpr std::u16string_view kStorageWinLiveMail = kMailClients[2].StorageFolder;
inline constexpr std::u16string_view kStorageThunderbird = kMailClients[3].StorageFolder;

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}, kept in the root stream 0x05 "SummaryInformation".
inline const cfb::TGuid& FMTID_SummaryInformation = cfb::kFmtIdSummaryInformation;

// Numbers of the summary information properties the system reads and writes.
constexpr uint32_t PIDSI_TITLE = 2;
constexpr uint32_t PIDSI_SUBJECT = 3;
constexpr uint32_t PIDSI_AUTHOR = 4;
constexpr uint32_t PIDSI_KEYWORDS = 5;
constexpr uint32_t PIDSI_COMMENTS = 6;
constexpr uint32_t PIDSI_CREATE_DTM = 12;
constexpr uint32_t PIDSI_APPNAME = 18;
constexpr uint32_t PIDSI_DOC_SECURITY = 19;

// "%s_%s.qmr" of the machine and user names, both upper-cased (ASCII letters only).
std::u16string DataFileName(std::u16string_view machine, std::u16string_view user);

// A folder name as a stream name: characters up to U+0020 trimmed at both ends, the first 31
// characters kept, ":", "!" and "/" replaced by "_".
std::u16string EncodeStreamName(std::u16string_view folderName);

}  // namespace kv
