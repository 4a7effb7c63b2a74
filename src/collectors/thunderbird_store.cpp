#include "collectors/thunderbird_store.h"

#include <memory>
#include <optional>

#include "collectors/thunderbird_ini.h"
#include "formats/prefs.h"
#include "system/context.h"
#include "system/path.h"
#include "system/user_facts.h"

namespace kv {

namespace {

// The roaming application-data folder (shell folder 26): on Linux the home folder.

bool FileExists(IPlatform& platform, std::u16string_view path) {
  const std::optional<TFileStatus> s = platform.Status(path);
  return s && !(s->Attributes & faDirectory);
}

bool FolderExists(IPlatform& platform, std::u16string_view path, char16_t sep) {
  const std::u16string folder = ExcludeTrailingSeparator(path, sep);
  if (folder.empty()) return false;
  const std::optional<TFileStatus> s = platform.Status(folder);
  return s && (s->Attributes & faDirectory);
}

// Both separators written in a profile path or a relative preference become the platform's.
std::u16string WithSeparator(std::u16string text, char16_t sep) {
  const char16_t other = sep == u'\\' ? u'/' : u'\\';
  for (char16_t& c : text)
    if (c == other) c = sep;
  return text;
}

bool IsAbsoluteProfilePath(std::u16string_view path, char16_t sep) {
  if (sep == u'\\') return path.find(u':') != std::u16string_view::npos;
  return !path.empty() && path[0] == u'/';
}

// A string preference as written in prefs.js, its doubled backslashes made single.
std::u16string PrefText(const TPrefsJS& prefs, std::u16string_view name) {
  return ReplaceAll(prefs.GetUserPref(name).Value, u"\\\\", u"\\");
}

// The "-rel" twin of a preference: "[ProfD]" followed by a path below the profile folder.
// Empty when the twin is missing or relative to something else.
std::u16string RelativePref(const TPrefsJS& prefs, std::u16string_view name,
                            std::u16string_view profileFolder, char16_t sep) {
  constexpr std::u16string_view kProfD = u"[ProfD]";
  const std::u16string value = PrefText(prefs, std::u16string(name) + u"-rel");
  if (value.size() <= kProfD.size() || value.compare(0, kProfD.size(), kProfD) != 0) return {};
  return JoinPath(profileFolder, WithSeparator(value.substr(kProfD.size()), sep), sep);
}

// "mail.root.none" names the mail folder itself.
bool TryRootFolder(IPlatform& platform, std::u16string_view value, char16_t sep,
                   std::u16string& store) {
  store = IncludeTrailingSeparator(value, sep);
  return !value.empty() && FolderExists(platform, store, sep);
}

// "mail.server.server1.directory" names the Local Folders account; the mail folder is its parent.
bool TryServerFolder(IPlatform& platform, std::u16string_view value, char16_t sep,
                     std::u16string& store) {
  const std::u16string folder = ExcludeTrailingSeparator(value, sep);
  const size_t last = folder.rfind(sep);
  store = IncludeTrailingSeparator(last == std::u16string::npos
                                       ? std::u16string_view()
                                       : std::u16string_view(folder).substr(0, last + 1),
                                   sep);
  // A value without any separator has no parent: it must not stand for the root of the drive.
  return !folder.empty() && last != std::u16string::npos && FolderExists(platform, store, sep);
}

}  // namespace

std::u16string FindThunderbirdFolder(const TSystemContext& context, std::u16string_view user) {
  IPlatform& platform = context.Platform();
  const char16_t sep = context.Separator();
  const std::u16string base = GetUserSpecialFolder(context, user, sfAppData);
  if (ExcludeTrailingSeparator(base, sep).empty()) return {};
  if (sep == u'\\') {
    const std::u16string folder = base + u"Thunderbird\\";
    return FileExists(platform, folder + u"profiles.ini") ? folder : std::u16string();
  }
  for (const char16_t* relative :
       {u".thunderbird", u".var/app/org.mozilla.Thunderbird/.thunderbird",
        u"snap/thunderbird/common/.thunderbird"}) {
    const std::u16string folder = IncludeTrailingSeparator(JoinPath(base, relative, sep), sep);
    if (FileExists(platform, folder + u"profiles.ini")) return folder;
  }
  return {};
}

TStringList FindProfilePrefs(const TSystemContext& context, std::u16string_view thunderbirdFolder,
                             std::u16string& profileFolder) {
  IPlatform& platform = context.Platform();
  const char16_t sep = context.Separator();
  const std::u16string folder = IncludeTrailingSeparator(thunderbirdFolder, sep);
  TStringList candidates;
  profileFolder.clear();
  TIniFile ini;
  try {
    std::unique_ptr<IReadStream> stream = platform.OpenRead(folder + u"profiles.ini");
    ini.Load(*stream);
  } catch (...) {
    return candidates;  // an unreadable profiles.ini names no profile
  }
  for (uint32_t n = 0;; ++n) {
    const std::u16string path =
        WithSeparator(ini.ReadString(u"Profile" + UIntToStr(n), u"Path"), sep);
    const std::u16string profile =
        IncludeTrailingSeparator(IsAbsoluteProfilePath(path, sep) ? path : folder + path, sep);
    for (const char16_t* name : {u"prefs.js.init", u"prefs.js"}) {
      if (FileExists(platform, profile + name)) candidates.push_back(profile + name);
    }
    if (!candidates.empty()) {
      profileFolder = profile;
      break;
    }
    if (path.empty()) break;
  }
  return candidates;
}

bool FindMailFolder(const TSystemContext& context, const TStringList& prefsFiles,
                    std::u16string_view profileFolder, std::u16string& store) {
  IPlatform& platform = context.Platform();
  const char16_t sep = context.Separator();
  // Off Windows a profile is often copied from another home: its absolute paths then name
  // folders that do not exist here, while the "-rel" twins still hold.
  const bool relativeTwins = sep == u'/';
  store.clear();
  for (const std::u16string& file : prefsFiles) {
    TPrefsJS prefs;
    try {
      std::unique_ptr<IReadStream> stream = platform.OpenRead(file);
      prefs.Load(*stream, file);
    } catch (...) {
      continue;  // a preference file that cannot be read names no folder
    }
    if (TryRootFolder(platform, PrefText(prefs, u"mail.root.none"), sep, store)) return true;
    if (relativeTwins) {
      const std::u16string twin = RelativePref(prefs, u"mail.root.none", profileFolder, sep);
      if (!twin.empty() && TryRootFolder(platform, twin, sep, store)) return true;
    }
    if (TryServerFolder(platform, PrefText(prefs, u"mail.server.server1.directory"), sep, store))
      return true;
    if (relativeTwins) {
      const std::u16string twin =
          RelativePref(prefs, u"mail.server.server1.directory", profileFolder, sep);
      if (!twin.empty() && TryServerFolder(platform, twin, sep, store)) return true;
    }
  }
  return false;
}

bool FindThunderbirdStore(const TSystemContext& context, std::u16string_view user,
                          std::u16string& store) {
  store.clear();
  const std::u16string folder = FindThunderbirdFolder(context, user);
  if (folder.empty()) return false;
  std::u16string profile;
  const TStringList prefs = FindProfilePrefs(context, folder, profile);
  if (prefs.empty()) return false;
  return FindMailFolder(context, prefs, profile, store);
}

}  // namespace kv
