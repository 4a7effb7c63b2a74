// Text crosses into Qt only here: the system's UTF-16 text and QString hold the same code units.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kv::qt {

inline QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

inline std::u16string U(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

}  // namespace kv::qt
