// Single-property reads and writes on a property storage, by name or by number. Each call
// touches exactly one property. Writes raise EStorageError on failure; reads give the default
// (empty text, 0) when the storage is missing, the property is absent or holds another kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "storage/property_storage.h"

namespace kv {

// Names get numbers from this one upward (the lowest the set may hand out).
constexpr uint32_t kFirstNamedProperty = 2;

void WriteStringProperty(TPropertyStorage* storage, std::u16string_view name,
                         std::u16string_view text);
void WriteIntegerProperty(TPropertyStorage* storage, std::u16string_view name, int64_t value);
void WriteStringPropertyID(TPropertyStorage* storage, uint32_t number, std::u16string_view text);
// The date-time's fields become a FILETIME unchanged: no time-zone shift.
void WriteDateTimePropertyID(TPropertyStorage* storage, uint32_t number, TDateTime value);

std::u16string ReadStringProperty(const TPropertyStorage* storage, std::u16string_view name);
int64_t ReadIntegerProperty(const TPropertyStorage* storage, std::u16string_view name);
std::u16string ReadStringPropertyID(const TPropertyStorage* storage, uint32_t number);
// With toLocal the stored fields are taken as UTC and shown in local time.
TDateTime ReadDateTimePropertyID(const TPropertyStorage* storage, uint32_t number, bool toLocal);

}  // namespace kv
