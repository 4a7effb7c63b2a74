// Facts about the machine, its accounts and the folders of a user, over the platform of a
// context. None of these raise: what cannot be determined comes back empty or false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

class TSystemContext;

// The platform's computer name, replaced by the value "ComputerName" of
// HKLM\SYSTEM\CurrentControlSet\Control\ComputerName\ComputerName when that exists.
std::u16string GetMachineName(const TSystemContext& context);
// The account the program runs under.
std::u16string GetCurrentUserName(const TSystemContext& context);
// "S-1-..." of an account on a system (empty: this machine); empty when it does not resolve.
std::u16string GetUserSID(const TSystemContext& context, std::u16string_view system,
                          std::u16string_view account);
// The user logged on to a session (-1: the current one), "user@DOMAIN" when the account is a
// domain account; falls back to the account the program runs under.
std::u16string GetLoggedOnUser(const TSystemContext& context, int32_t session);
bool IsAdmin(const TSystemContext& context);

// The running user's shell folder `id` (0 desktop, 26 roaming and 28 local application data),
// without trailing separator; empty when none.
std::u16string GetSpecialFolder(const TSystemContext& context, int id);
// A user's profile folder (empty user: the current one), without trailing separator; empty when
// it cannot be found.
std::u16string GetUserProfileFolder(const TSystemContext& context, std::u16string_view user);
// A user's shell folder (empty user: the current one) with a trailing separator: the running
// user's folder mapped into the other user's profile.
std::u16string GetUserSpecialFolder(const TSystemContext& context, std::u16string_view user,
                                    int id);

// The host's IPv4 addresses in dotted form, joined by ",".
std::u16string GetLocalIPAddresses(const TSystemContext& context);
// The domain or workgroup of a server (empty: this machine), upper case; empty when unknown.
std::u16string GetDomainName(const TSystemContext& context, std::u16string_view server);

}  // namespace kv
