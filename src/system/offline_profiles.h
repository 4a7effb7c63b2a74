// The user profiles of an offline tree and the choice of one: from the ProfileList key of the
// SOFTWARE hive (the SID and profile folder of each local account), or, in a tree without hives,
// the folders under Users or Documents and Settings that are nobody's shared folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

class TOfflinePaths;
class TOfflineRegistry;

struct TOfflineProfile {
  std::u16string Name;    // the profile folder's last component
  std::u16string Sid;     // empty when found without hives
  std::u16string Folder;  // "C:\Users\anna"
};

std::vector<TOfflineProfile> FindOfflineProfiles(const TOfflineRegistry& registry,
                                                 TOfflinePaths& paths,
                                                 const std::u16string& systemRoot);

// The profile of `user`, or the only profile when `user` is empty. Throws EKolvaneError naming
// the tree and its users when there is none, when several are there and none is named, or when
// the named user has no profile.
const TOfflineProfile& ChooseOfflineProfile(const std::vector<TOfflineProfile>& profiles,
                                            std::u16string_view user, const std::string& tree);

}  // namespace kv
