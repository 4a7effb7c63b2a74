#include "system/offline_session.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "system/case_fold.h"
#include "system/environment.h"
#include "system/hive.h"
#include "system/offline_profiles.h"
#include "system/offline_version.h"
#include "system/path.h"
#include "system/platform.h"

namespace kv {
namespace {

using TVariables = std::vector<std::pair<std::u16string, std::u16string>>;

TStringList Assignments(const TVariables& env) {
  TStringList out;
  for (const auto& [n, v] : env) out.push_back(n + u"=" + v);
  return out;
}

// A shell folder of the user's hive, its variables expanded, else the profile's `fallback`.
std::u16string ShellFolder(const THive* hive, const TStringList& env, const std::u16string& profile,
                           std::u16string_view valueName, std::u16string_view fallback) {
  if (hive) {
    const char16_t* kUserShell =
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    const char16_t* kShell =
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    for (const char16_t* key : {kUserShell, kShell}) {
      auto v = hive->Value(hive->Find(key), valueName);
      if (v && v->IsText() && !Trim(v->Text).empty()) {
        return ExcludeTrailingSeparator(ExpandVariables(env, Trim(v->Text)), u'\\');
      }
    }
  }
  return profile + u"\\" + std::u16string(fallback);
}

}  // namespace

TOfflineSession BuildOfflineSession(const TOfflineProfile& user, const TOfflineVersion& version,
                                    bool fromRegistry, const THive* userHive) {
  const bool vista = fromRegistry ? version.Version.MajorVersion >= 6
                                  : StartsWithAscii(FoldCase(user.Folder), u"C:\\USERS\\");
  const std::u16string& profile = user.Folder;
  const std::u16string& computer = version.ComputerName;
  std::u16string roaming = profile + (vista ? u"\\AppData\\Roaming" : u"\\Application Data");
  std::u16string local =
      profile + (vista ? u"\\AppData\\Local" : u"\\Local Settings\\Application Data");
  std::u16string temp = vista ? local + u"\\Temp" : profile + u"\\Local Settings\\Temp";
  std::u16string allUsers = vista ? u"C:\\ProgramData" : u"C:\\Documents and Settings\\All Users";
  TVariables env = {
      {u"ALLUSERSPROFILE", allUsers}, {u"COMPUTERNAME", computer},
      {u"HOMEDRIVE", u"C:"},          {u"HOMEPATH", profile.substr(2)},
      {u"OS", u"Windows_NT"},         {u"ProgramFiles", u"C:\\Program Files"},
      {u"SystemDrive", u"C:"},        {u"SystemRoot", version.SystemRoot},
      {u"USERDOMAIN", computer},      {u"USERNAME", user.Name},
      {u"USERPROFILE", profile},      {u"windir", version.SystemRoot},
  };
  if (vista) {
    env.push_back({u"ProgramData", u"C:\\ProgramData"});
    env.push_back({u"PUBLIC", u"C:\\Users\\Public"});
  }
  if (version.Architecture == kArchitectureX64) {
    env.push_back({u"ProgramFiles(x86)", u"C:\\Program Files (x86)"});
  }
  // The folders first: the user's shell-folder values may refer to USERPROFILE.
  TOfflineSession out;
  const TStringList early = Assignments(env);
  auto shell = [&](std::u16string_view name, std::u16string_view fallback) {
    return ShellFolder(userHive, early, profile, name, fallback);
  };
  out.SpecialFolders[sfDesktop] = shell(u"Desktop", u"Desktop");
  out.SpecialFolders[sfPersonal] = shell(u"Personal", vista ? u"Documents" : u"My Documents");
  out.SpecialFolders[sfAppData] = shell(u"AppData", roaming.substr(profile.size() + 1));
  out.SpecialFolders[sfLocalAppData] = shell(u"Local AppData", local.substr(profile.size() + 1));
  env.push_back({u"APPDATA", out.SpecialFolders[sfAppData]});
  env.push_back({u"LOCALAPPDATA", out.SpecialFolders[sfLocalAppData]});
  env.push_back({u"TEMP", temp});
  env.push_back({u"TMP", temp});
  // Windows keeps its environment block sorted by name, case ignored.
  std::sort(env.begin(), env.end(),
            [](const auto& a, const auto& b) { return FoldCase(a.first) < FoldCase(b.first); });
  out.Environment = Assignments(env);
  return out;
}

}  // namespace kv
