// Where Windows Mail and Windows Live Mail keep a user's messages: the "Store Root" value of the
// client's key in the user's registry, with "%UserProfile%" standing for the profile folder.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "system/platform.h"

namespace kv {

class TSystemContext;

// The key "\Software\Microsoft\<clientKey>" of `user`: on an NT-family system in that user's
// hive under HKEY_USERS (found by the user's SID), elsewhere under HKEY_CURRENT_USER. nullptr
// when it cannot be opened.
std::unique_ptr<IRegistryKey> OpenClientKey(const TSystemContext& context, std::u16string_view user,
                                            std::u16string_view clientKey);

// The text value `name` of the client's key; empty when the key or value is missing or is not
// text.
std::u16string ReadClientText(const TSystemContext& context, std::u16string_view user,
                              std::u16string_view clientKey, std::u16string_view name);

// The user's store root for one client ("Windows Mail", "Windows Live Mail"), with a trailing
// separator; empty when there is none. Only the first "%UserProfile%" (any letter case) is
// replaced, by the user's profile folder; other variables stay as written.
std::u16string ReadStoreRoot(const TSystemContext& context, std::u16string_view user,
                             std::u16string_view clientKey);

}  // namespace kv
