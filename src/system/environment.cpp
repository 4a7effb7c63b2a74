#include "system/environment.h"

#include "base/text.h"
#include "system/case_fold.h"
#include "system/context.h"

namespace kv {

std::u16string ExpandVariables(const TStringList& environment, std::u16string_view text,
                               const std::function<bool(const std::u16string&)>& exists) {
  std::u16string out(text);
  for (const std::u16string& entry : environment) {
    if (entry.empty() || entry[0] == u'=') continue;
    size_t eq = entry.find(u'=');
    std::u16string_view name = std::u16string_view(entry).substr(0, eq);
    if (TrimView(name).empty()) continue;
    std::u16string_view value = eq == std::u16string::npos
                                    ? std::u16string_view()
                                    : std::u16string_view(entry).substr(eq + 1);
    std::u16string ref(1, u'%');
    ref += name;
    ref += u'%';
    size_t pos = FindFold(out, ref);
    if (pos == std::u16string::npos) continue;
    out.replace(pos, ref.size(), value);
    if (exists && FindFold(out, u" (x86)") != std::u16string::npos && !exists(out)) {
      out = ReplaceFirstFold(out, u" (x86)", u"");
    }
  }
  return out;
}

std::u16string ExpandEnvVars(const TSystemContext& context, std::u16string_view text) {
  IPlatform& platform = context.Platform();
  return ExpandVariables(platform.Environment(), text, [&platform](const std::u16string& path) {
    return platform.Status(path).has_value();
  });
}

}  // namespace kv
