#include "system/offline_profiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"
#include "system/case_fold.h"
#include "system/environment.h"
#include "system/offline_paths.h"
#include "system/offline_registry.h"
#include "system/path.h"
#include "system/posix_files.h"

namespace kv {
namespace {

constexpr const char16_t* kProfileListKey = u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Folders under Users / Documents and Settings that are not anyone's profile.
constexpr const char16_t* kNotProfiles[] = {u"All Users",        u"Default",      u"Default User",
                                            u"Public",           u"LocalService", u"NetworkService",
                                            u"Default.migrated", u"defaultuser0"};

bool IsRealFolder(const std::string& hostPath) {  // a folder that is not a link
  struct stat st;
  return ::lstat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<TOfflineProfile> ProfilesOfTheRegistry(const THive& software,
                                                   const std::u16string& systemRoot) {
  std::vector<TOfflineProfile> out;
  size_t list = software.Find(kProfileListKey);
  TStringList base = {u"SystemDrive=C:", u"SystemRoot=" + systemRoot, u"windir=" + systemRoot};
  for (const std::u16string& sid : software.ChildNames(list)) {
    if (!StartsWithAscii(sid, u"S-1-5-21-")) continue;  // not the service accounts
    auto path = software.Value(software.Child(list, sid), u"ProfileImagePath");
    if (!path || !path->IsText() || path->Text.empty()) continue;
    std::u16string folder = ExcludeTrailingSeparator(ExpandVariables(base, path->Text), u'\\');
    out.push_back({ExtractFileName(folder, u'\\'), sid, folder});
  }
  return out;
}

std::vector<TOfflineProfile> ProfilesOfTheFolders(TOfflinePaths& paths) {
  std::vector<TOfflineProfile> out;
  for (const char16_t* parent : {u"C:\\Users", u"C:\\Documents and Settings"}) {
    std::string host = paths.HostPath(parent);
    std::unique_ptr<IFolderListing> listing = host.empty() ? nullptr : ListPosixFolder(host);
    if (!listing) continue;
    TDirEntry e;
    while (listing->Next(e)) {
      if (!(e.Attributes & faDirectory)) continue;
      bool skip = false;
      for (const char16_t* n : kNotProfiles) skip = skip || SameTextFold(e.Name, n);
      std::u16string folder = std::u16string(parent) + u"\\" + e.Name;
      if (skip || !IsRealFolder(paths.HostPath(folder))) continue;
      out.push_back({e.Name, u"", folder});
    }
    std::sort(out.begin(), out.end(), [](const TOfflineProfile& a, const TOfflineProfile& b) {
      return FoldCase(a.Name) < FoldCase(b.Name);
    });
  }
  return out;
}

}  // namespace

std::vector<TOfflineProfile> FindOfflineProfiles(const TOfflineRegistry& registry,
                                                 TOfflinePaths& paths,
                                                 const std::u16string& systemRoot) {
  if (registry.Software()) {
    std::vector<TOfflineProfile> out = ProfilesOfTheRegistry(*registry.Software(), systemRoot);
    if (!out.empty()) return out;
  }
  return ProfilesOfTheFolders(paths);
}

const TOfflineProfile& ChooseOfflineProfile(const std::vector<TOfflineProfile>& profiles,
                                            std::u16string_view user, const std::string& tree) {
  const std::u16string quoted = u"\"" + Utf8ToUtf16(tree) + u"\"";
  TStringList names;
  for (const TOfflineProfile& p : profiles) names.push_back(p.Name);
  if (profiles.empty()) {
    throw EKolvaneError(u"The Windows tree " + quoted + u" holds no user profile");
  }
  if (user.empty()) {
    if (profiles.size() > 1) {
      throw EKolvaneError(u"The Windows tree " + quoted + u" holds several user profiles (" +
                          Join(names, u", ") + u"); name the user to read");
    }
    return profiles[0];
  }
  auto it = std::find_if(profiles.begin(), profiles.end(),
                         [&](const TOfflineProfile& p) { return SameTextFold(p.Name, user); });
  if (it == profiles.end()) {
    throw EKolvaneError(u"The Windows tree " + quoted + u" has no profile of the user \"" +
                        std::u16string(user) + u"\"; its users are: " + Join(names, u", "));
  }
  return *it;
}

}  // namespace kv
