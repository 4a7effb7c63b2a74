// Mail dates over arbitrary input: the header date parser on the bytes as text, and the FILETIME
// and date-time conversions on the bytes as numbers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "formats/maildate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = kv::Cp1252ToUtf16(bytes);
  kv::ParseMailDate(text);
  kv::ParseMailDateUtc(text);

  if (size >= 8) {
    uint64_t value = 0;
    std::memcpy(&value, data, 8);
    kv::FileTimeToDateTime(kv::TFileTime::FromValue(value), true);
    double when = 0;
    std::memcpy(&when, data, 8);
    kv::UTCToLocalDateTime(when);
    kv::DateTimeToFileTime(when);
  }
  return 0;
}
