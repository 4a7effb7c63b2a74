// Accounts, tokens and sessions of the live Windows machine: the account the program runs under,
// SIDs of account names, the Administrators check on the program's token, terminal-services
// answers and the account of another process's token.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "system/platform.h"

namespace kv {

std::u16string WindowsAccountName();
// "S-1-..." of an account on a system (empty: this machine); empty when it does not resolve.
std::u16string WindowsAccountSid(std::u16string_view system, std::u16string_view account);
// The thread's own token when it has one, else the process's; false when the thread's token
// cannot be opened for another reason than its absence.
bool WindowsTokenHoldsAdministrators();
int32_t WindowsProcessSessionId();
int32_t WindowsConsoleSessionId();
// User and domain of a session (-1: the current one) from the terminal services.
std::optional<TAccountName> WindowsSessionUser(int32_t session);
// The token account of the first process running `exeName` (case ignored) in `session`.
std::optional<TProcessAccount> WindowsProcessAccount(std::u16string_view exeName, int32_t session);

}  // namespace kv
