// Path helpers. The separator is the platform's (IPlatform::PathSeparator): "\" on a Windows-style
// platform, "/" on Linux. On a "\" platform a drive colon ("C:") also ends a component.
#pragma once

#include <string>
#include <string_view>

namespace kv {

std::u16string IncludeTrailingSeparator(std::u16string_view path, char16_t sep);
std::u16string ExcludeTrailingSeparator(std::u16string_view path, char16_t sep);
// folder + separator + name, with exactly one separator between them (none when folder is empty).
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name, char16_t sep);
// Everything before the last separator ("C:\a\b" -> "C:\a"; "/a" -> "/"); empty when none.
std::u16string ParentFolder(std::u16string_view path, char16_t sep);
// The part after the last separator (or drive colon).
std::u16string ExtractFileName(std::u16string_view path, char16_t sep);
// The file name's extension from its last "." on ("a.b.eml" -> ".eml"); empty when it has none.
std::u16string ExtractFileExt(std::u16string_view path, char16_t sep);

}  // namespace kv
