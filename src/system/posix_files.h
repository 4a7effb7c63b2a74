// The POSIX file system beneath the live Linux platform and the offline Windows tree: read-only
// file streams, folder listings by readdir (the entry type from d_type, a status call only for
// links and file systems that leave the type unknown), and file status. Paths here are the host's
// UTF-8 byte paths.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/stream.h"
#include "system/platform.h"

namespace kv {

// Opens a regular file read-only; throws EKolvaneError naming `displayName` when it cannot.
std::unique_ptr<IReadStream> OpenPosixFile(const std::string& path,
                                           std::u16string_view displayName);
// nullptr when the folder cannot be opened.
std::unique_ptr<IFolderListing> ListPosixFolder(const std::string& path);
std::optional<TFileStatus> PosixStatus(const std::string& path);

// Attributes of an entry on a POSIX file system: faDirectory for folders, faNormal for other
// entries; faHidden is added for names beginning with ".", as such entries are hidden on Linux.
uint32_t PosixAttributes(bool isFolder, std::string_view name);

}  // namespace kv
