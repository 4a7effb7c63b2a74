// The Windows file system beneath the live Windows platform: files opened read-only and shared
// with writers and deleters (a running mail client that holds its store open does not stop a
// scan, nor is it stopped by it), folder listings by FindFirstFileExW with each entry's
// attributes and size, and file status. Every name goes through LongPath, so paths beyond
// MAX_PATH work.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "base/stream.h"
#include "system/platform.h"

namespace kv {

// Opens a file read-only; throws EKolvaneError naming the file when it cannot (a folder, a
// device or a pipe is refused too).
std::unique_ptr<IReadStream> OpenWindowsFile(std::u16string_view path);
// nullptr when the folder does not exist or cannot be listed.
std::unique_ptr<IFolderListing> ListWindowsFolder(std::u16string_view folder);
std::optional<TFileStatus> WindowsStatus(std::u16string_view path);

// The entry attributes the file search works with: the Windows bits as they are, with faNormal
// added when none of the standard bits (0x1FF) is set, so that every entry has one.
uint32_t EntryAttributes(uint32_t windowsAttributes);

}  // namespace kv
