// File search and folder names: how collectors find mailbox files and mail folders, and the name
// under which a mail folder is shown and stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace kv {

class TSystemContext;

// Case-insensitive wildcard match of a whole name: "*" any run (dots included), "?" exactly one
// code unit, every other code unit itself.
bool MatchesMask(std::u16string_view name, std::u16string_view mask);

// Walks `folder` depth-first and appends to `list` (when given) the full path of every entry
// whose attributes share a bit with `attrMask` and whose name matches `mask` — a name without a
// dot is matched as if it ended in one, so "*." selects exactly the names without a dot. An
// entry is appended before the walk descends into it; with `unique` a path the list already holds
// (case ignored) is not appended again, and the walk below the folder is always unique. Returns
// the total size of the matching entries (0 for folders). A folder that cannot be listed
// contributes nothing; a folder link that leads back to a folder being walked is not descended.
int64_t FindFiles(const TSystemContext& context, std::u16string_view folder,
                  std::u16string_view mask, uint32_t attrMask, TStringList* list, bool recursive,
                  bool unique);

// The same walk and list as FindFiles without the total. Use it when the total is not wanted:
// a directory listing gives no sizes on Linux, so the total costs one status call per match.
void FindFilePaths(const TSystemContext& context, std::u16string_view folder,
                   std::u16string_view mask, uint32_t attrMask, TStringList& list, bool recursive,
                   bool unique);

// The last component of a path (after the last separator, or a drive colon on a "\" platform)
// without its extension; "." and ".." stay as they are.
std::u16string FolderNameFromPath(std::u16string_view path, char16_t sep = u'\\');
std::u16string FolderNameFromPath(const TSystemContext& context, std::u16string_view path);

// Size of a file in bytes, the first match when its name holds a wildcard; -1 when none exists.
int64_t GetFileSizeByName(const TSystemContext& context, std::u16string_view path);

}  // namespace kv
