#include "system/user_facts.h"

#include "base/text.h"
#include "system/case_fold.h"
#include "system/context.h"
#include "system/environment.h"
#include "system/path.h"
#include "system/registry.h"

namespace kv {
namespace {

constexpr size_t kMaxAddresses = 256;

bool IsNTFamily(const TSystemContext& context) {
  return context.Facts().OSVersion.PlatformId == kPlatformWin32NT;
}

std::u16string CurrentUser(const TSystemContext& context) {
  return context.Facts().CurrentUserName;
}

}  // namespace

std::u16string GetMachineName(const TSystemContext& context) {
  IPlatform& p = context.Platform();
  std::u16string name = p.ComputerName();
  if (std::optional<std::u16string> value = ReadRegistryText(
          p, TRegistryRoot::LocalMachine,
          u"\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName")) {
    name = *value;
  }
  return name;
}

std::u16string GetCurrentUserName(const TSystemContext& context) {
  return context.Platform().AccountName();
}

std::u16string GetUserSID(const TSystemContext& context, std::u16string_view system,
                          std::u16string_view account) {
  std::u16string sid = context.Platform().AccountSid(system, account);
  return StartsWithAscii(sid, u"S-1-") ? sid : std::u16string();
}

std::u16string GetLoggedOnUser(const TSystemContext& context, int32_t session) {
  IPlatform& p = context.Platform();
  std::u16string user, domain;
  if (IsNTFamily(context)) {
    if (std::optional<TAccountName> answer = p.SessionUser(session)) {
      user = answer->User;
      domain = answer->Domain;
    }
    if (user.empty()) {
      if (session == -1) {
        session = p.IsRemoteSession() ? p.ProcessSessionId() : p.ConsoleSessionId();
      }
      if (session == -1) session = context.Facts().OSVersion.MajorVersion >= 6 ? 1 : 0;
      if (std::optional<TProcessAccount> account = p.ProcessAccount(u"explorer.exe", session)) {
        user = account->User.empty() ? account->Sid : account->User;
        domain = account->Domain;
      }
    }
  }
  if (user.empty()) user = GetCurrentUserName(context);
  if (domain.empty()) domain = GetDomainName(context, u"");
  if (!domain.empty() && !SameTextFold(domain, GetMachineName(context)) && !user.empty()) {
    std::u16string qualified = user + u"@" + domain;
    if (StartsWithAscii(GetUserSID(context, u"", qualified), u"S-")) user = qualified;
  }
  return user;
}

bool IsAdmin(const TSystemContext& context) {
  return context.Platform().TokenHoldsAdministrators();
}

std::u16string GetSpecialFolder(const TSystemContext& context, int id) {
  return context.Platform().SpecialFolder(id);
}

std::u16string GetUserProfileFolder(const TSystemContext& context, std::u16string_view user) {
  const char16_t sep = context.Separator();
  std::u16string name = user.empty() ? CurrentUser(context) : std::u16string(user);
  std::u16string result;
  if (IsNTFamily(context)) {
    std::u16string sid = GetUserSID(context, u"", name);
    if (!sid.empty()) {
      if (std::optional<std::u16string> path = ReadRegistryText(
              context.Platform(), TRegistryRoot::LocalMachine,
              u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid,
              u"ProfileImagePath")) {
        result = ExpandEnvVars(context, *path);
      }
    }
  }
  if (result.empty()) {
    std::u16string desktop = GetSpecialFolder(context, sfDesktop);
    if (desktop.empty()) return {};
    result = ReplaceFirstFold(ParentFolder(ExcludeTrailingSeparator(desktop, sep), sep),
                              sep + CurrentUser(context), sep + name);
  }
  return result;
}

std::u16string GetUserSpecialFolder(const TSystemContext& context, std::u16string_view user,
                                    int id) {
  const char16_t sep = context.Separator();
  std::u16string name = user.empty() ? CurrentUser(context) : std::u16string(user);
  std::u16string result;
  if (context.Facts().OSVersion.PlatformId == kPlatformWin32Windows ||
      SameTextFold(name, CurrentUser(context))) {
    result = GetSpecialFolder(context, id);
  } else {
    std::u16string path = GetSpecialFolder(context, id);
    std::u16string own = IncludeTrailingSeparator(GetUserProfileFolder(context, u""), sep);
    std::u16string other = GetUserProfileFolder(context, name);
    // A special folder can be the profile folder itself (Linux keeps application data in the
    // home folder): with its own trailing separator it still counts as lying below it.
    std::u16string pathWithSep = IncludeTrailingSeparator(path, sep);
    if (FindFold(path, sep + name + sep) != std::u16string::npos) {
      result = path;
    } else if (FindFold(path, u"LocalService") != std::u16string::npos) {
      result = ReplaceFirstFold(path, u"LocalService", ExtractFileName(other, sep));
    } else if (own.size() > 1 && FindFold(pathWithSep, own) != std::u16string::npos) {
      result = other + sep + ReplaceFirstFold(pathWithSep, own, u"");
    } else {
      std::u16string roaming = GetSpecialFolder(context, 26);
      std::u16string parent =
          IncludeTrailingSeparator(ParentFolder(ExcludeTrailingSeparator(roaming, sep), sep), sep);
      result = ReplaceFirstFold(path, parent, other + sep);
    }
  }
  return IncludeTrailingSeparator(result, sep);
}

std::u16string GetLocalIPAddresses(const TSystemContext& context) {
  TStringList addresses = context.Platform().IPv4Addresses();
  if (addresses.size() > kMaxAddresses) addresses.resize(kMaxAddresses);
  return Join(addresses, u",");
}

std::u16string GetDomainName(const TSystemContext& context, std::u16string_view server) {
  std::u16string name(server);
  if (IsNTFamily(context) && !name.empty() && name.find(u"\\\\") == std::u16string::npos) {
    name = u"\\\\" + name;
  }
  return FoldCase(context.Platform().WorkgroupName(name));
}

}  // namespace kv
