#include "collectors/store_root.h"

#include <optional>

#include "system/case_fold.h"
#include "system/context.h"
#include "system/path.h"
#include "system/user_facts.h"

namespace kv {

std::unique_ptr<IRegistryKey> OpenClientKey(const TSystemContext& context, std::u16string_view user,
                                            std::u16string_view clientKey) {
  std::u16string path = u"\\Software\\Microsoft\\";
  path += clientKey;
  if (context.Facts().OSVersion.PlatformId == kPlatformWin32NT) {
    // The named user's own hive, which is loaded while that user is logged on.
    const std::u16string name =
        user.empty() ? context.Facts().CurrentUserName : std::u16string(user);
    return context.Platform().OpenKey(TRegistryRoot::Users, GetUserSID(context, u"", name) + path);
  }
  return context.Platform().OpenKey(TRegistryRoot::CurrentUser, path);
}

std::u16string ReadClientText(const TSystemContext& context, std::u16string_view user,
                              std::u16string_view clientKey, std::u16string_view name) {
  std::unique_ptr<IRegistryKey> key = OpenClientKey(context, user, clientKey);
  if (!key) return {};
  std::optional<TRegistryValue> value = key->Value(name);
  if (!value || !value->IsText()) return {};
  return value->Text;
}

std::u16string ReadStoreRoot(const TSystemContext& context, std::u16string_view user,
                             std::u16string_view clientKey) {
  std::u16string root = ReadClientText(context, user, clientKey, u"Store Root");
  if (root.empty()) return {};
  if (FindFold(root, u"%UserProfile%") != std::u16string::npos) {
    root = ReplaceFirstFold(root, u"%UserProfile%", GetUserProfileFolder(context, user));
  }
  return IncludeTrailingSeparator(root, context.Separator());
}

}  // namespace kv
