// An offline Windows installation as a platform: a folder that holds a Windows system drive (a
// mounted disk or a copied C: tree), seen as one of its users.
//
// Paths are Windows paths: "C:\" (or a path beginning with "\") is the given folder, "\" and "/"
// separate, and every component is looked up without regard to case, so a registry value such as
// "%UserProfile%\AppData\Local\Microsoft\Windows Mail" or a prefs.js path works as written.
//
// The registry comes from the hives: HKLM\SOFTWARE and HKLM\SYSTEM from Windows\System32\config
// (CurrentControlSet resolved through Select\Current), HKCU and HKU\<SID> from the users'
// NTUSER.DAT (the SID and profile folder from the ProfileList key). A missing hive leaves its keys
// absent; a damaged one too, with a line in Diagnostics(). A tree without hives still serves its
// files: its users are then the folders under Users or Documents and Settings.
//
// The facts are those of the chosen user's session: platform id 2, current and logged-on user =
// the chosen user, the environment a Windows session would give that user. Facts a tree cannot
// tell (administrator, addresses, remote session) are false or empty.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "system/platform.h"

namespace kv {

class TOfflineWindowsPlatform;

// Opens the tree at `folder` (a host path) as user `user`; an empty user means the only user
// profile of the tree. Throws EKolvaneError with a clear message when the folder is not a Windows
// tree, when it holds no user profile, when the named user has none, or when no user is named
// and there are several (the message lists them).
std::unique_ptr<TOfflineWindowsPlatform> OpenOfflineWindowsTree(const std::string& folder,
                                                                std::u16string_view user = {});

// The user profiles of the tree at `folder`, in name order; throws as OpenOfflineWindowsTree
// does when the folder is not a Windows tree.
TStringList OfflineWindowsTreeUsers(const std::string& folder);

class TOfflineWindowsPlatform : public IPlatform {
 public:
  // The user profiles found in the tree (names), the chosen one, its SID (empty without
  // hives), its profile folder ("C:\Users\anna") and what could not be read.
  virtual TStringList Users() const = 0;
  virtual std::u16string User() const = 0;
  virtual std::u16string UserSid() const = 0;
  virtual std::u16string ProfileFolder() const = 0;
  virtual TStringList Diagnostics() const = 0;
  // The host path a Windows path maps to; empty when it does not exist in the tree.
  virtual std::string HostPath(std::u16string_view path) = 0;
};

}  // namespace kv
