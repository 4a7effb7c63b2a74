// Where the desktop program's scan appends: "%s_%s.qmr" in the program's folder, as the
// viewer names it, unless that folder cannot be written (an installed program); then the same
// name in the user's data folder ($XDG_DATA_HOME/kolvane or ~/.local/share/kolvane).
#pragma once

#include <string>
#include <string_view>

namespace kv {

// An empty result keeps the viewer's own choice, the program's folder.
std::u16string LocalDataFile(const std::string& programFolder, std::u16string_view fileName);

}  // namespace kv
