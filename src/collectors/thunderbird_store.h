// Where a user's Thunderbird keeps its local mail: profiles.ini names the profiles, the first
// profile holding a prefs.js.init or prefs.js is used, and its preferences "mail.root.none" or
// else "mail.server.server1.directory" (its parent folder) name the mail folder.
//
// The Thunderbird folder that holds profiles.ini depends on the platform's path form:
// - on a "\" platform (Windows, live or an offline tree) it is "Thunderbird" in the user's
//   roaming application-data folder; a profile path is absolute when it holds a ":";
// - on a "/" platform (Linux) it is the first of ~/.thunderbird, the Flatpak folder
//   ~/.var/app/org.mozilla.Thunderbird/.thunderbird and the Snap folder
//   ~/snap/thunderbird/common/.thunderbird that holds a profiles.ini; a profile path is absolute
//   when it begins with "/". Where a preference names a folder that does not exist (a profile
//   copied from another home), its "-rel" twin ("[ProfD]Mail", relative to the profile folder)
//   is tried before the next preference.
// Profile paths may use either separator; they are turned into the platform's.
//
// Nothing here raises: a missing or unreadable file counts as absent.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace kv {

class TSystemContext;

// The folder holding the user's profiles.ini, with a trailing separator; empty when there is
// none. An empty user is the current one.
std::u16string FindThunderbirdFolder(const TSystemContext& context, std::u16string_view user);

// The preference files of the first profile (Profile0, Profile1, ...) that has one: its
// prefs.js.init, then its prefs.js, as full paths. `profileFolder` receives that profile's folder
// with a trailing separator. Profiles are read until one has a file or one has an empty Path.
TStringList FindProfilePrefs(const TSystemContext& context, std::u16string_view thunderbirdFolder,
                             std::u16string& profileFolder);

// Finds the mail folder through the preference files, in order. Returns whether an existing
// folder was found; `store` receives the last folder tried, with a trailing separator (empty
// when none was tried).
bool FindMailFolder(const TSystemContext& context, const TStringList& prefsFiles,
                    std::u16string_view profileFolder, std::u16string& store);

// All three steps for a user. False, with the folder list to stay empty, when any step finds
// nothing.
bool FindThunderbirdStore(const TSystemContext& context, std::u16string_view user,
                          std::u16string& store);

}  // namespace kv
