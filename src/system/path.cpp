#include "system/path.h"

namespace kv {
namespace {

// Position just after the last separator (or drive colon on a "\" platform); 0 when none.
size_t NameStart(std::u16string_view path, char16_t sep) {
  for (size_t i = path.size(); i > 0; --i) {
    char16_t c = path[i - 1];
    if (c == sep || (sep == u'\\' && c == u':')) return i;
  }
  return 0;
}

}  // namespace

std::u16string IncludeTrailingSeparator(std::u16string_view path, char16_t sep) {
  std::u16string out(path);
  if (out.empty() || out.back() != sep) out += sep;
  return out;
}

std::u16string ExcludeTrailingSeparator(std::u16string_view path, char16_t sep) {
  std::u16string out(path);
  if (!out.empty() && out.back() == sep) out.pop_back();
  return out;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name, char16_t sep) {
  if (folder.empty()) return std::u16string(name);
  std::u16string out = IncludeTrailingSeparator(folder, sep);
  while (!name.empty() && name.front() == sep) name.remove_prefix(1);
  out += name;
  return out;
}

std::u16string ParentFolder(std::u16string_view path, char16_t sep) {
  size_t pos = path.rfind(sep);
  if (pos == std::u16string_view::npos) return {};
  if (pos == 0) return std::u16string(1, sep);
  return std::u16string(path.substr(0, pos));
}

std::u16string ExtractFileName(std::u16string_view path, char16_t sep) {
  return std::u16string(path.substr(NameStart(path, sep)));
}

std::u16string ExtractFileExt(std::u16string_view path, char16_t sep) {
  std::u16string_view name = path.substr(NameStart(path, sep));
  size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  return std::u16string(name.substr(dot));
}

}  // namespace kv
