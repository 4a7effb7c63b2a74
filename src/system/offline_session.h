// The environment and shell folders a Windows session would give the chosen user of an offline
// tree: the variables Windows sets (in its order, by name with case ignored) and the desktop,
// documents and application-data folders from the user's hive, else the version's defaults.
#pragma once

#include <map>
#include <string>

#include "base/text.h"

namespace kv {

class THive;
struct TOfflineProfile;
struct TOfflineVersion;

struct TOfflineSession {
  TStringList Environment;                       // "NAME=value"
  std::map<int, std::u16string> SpecialFolders;  // by TSpecialFolder
};

// `fromRegistry`: the version came from a SOFTWARE hive; without one, the profile folder's
// place tells whether the tree is Vista or later. `userHive` may be null.
TOfflineSession BuildOfflineSession(const TOfflineProfile& user, const TOfflineVersion& version,
                                    bool fromRegistry, const THive* userHive);

}  // namespace kv
