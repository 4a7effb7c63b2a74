#include "base/error.h"

#include "base/codepage.h"

namespace kv {

EKolvaneError::EKolvaneError(std::u16string_view message)
    : std::runtime_error(Utf16ToUtf8(message)) {}

std::u16string EKolvaneError::Message() const { return Utf8ToUtf16(what()); }

}  // namespace kv
