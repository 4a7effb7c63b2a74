// Expansion of %NAME% references through the platform's environment.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace kv {

class TSystemContext;

// For each environment entry in environment order (entries beginning with "=" and blank names
// skipped), the first "%NAME%" in the text (case ignored) becomes the value; after such a
// replacement, when the text names no existing file, the first " (x86)" is removed. A %NAME% that
// is not in the environment stays as it is. The whole environment and the whole text are used.
std::u16string ExpandEnvVars(const TSystemContext& context, std::u16string_view text);
// The same over a list of NAME=VALUE entries; without `exists` the " (x86)" rule is not used.
std::u16string ExpandVariables(const TStringList& environment, std::u16string_view text,
                               const std::function<bool(const std::u16string&)>& exists = {});

}  // namespace kv
