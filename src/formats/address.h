// One address of a From, Sender or To value, split into its display name and e-mail address.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Splits one address into display name and e-mail address. "Ann <ann@example.org>" gives
// "Ann" and "ann@example.org" (a quoted name is unquoted, a name in apostrophes loses them);
// "ann@example.org (Ann Lee)" gives "Ann Lee" and "ann@example.org"; a bare address gives the
// address for both. Returns whether a bracketed part was found and closed. For a list only the
// first address counts.
bool SplitAddress(std::u16string_view text, std::u16string& name, std::u16string& email);

// Removes the double quotes of a display name ("a quote becomes a blank") and undoes its
// backslash escapes.
std::u16string UnquoteName(std::u16string_view text);

}  // namespace kv
