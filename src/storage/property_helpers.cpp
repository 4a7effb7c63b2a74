#include "storage/property_helpers.h"

#include "base/error.h"
#include "base/local_time.h"

namespace kv {
namespace {

TPropertyStorage* Require(TPropertyStorage* storage) {
  if (!storage) throw EStorageError(TStorageStatus::InvalidParameter, u"no property set is open");
  return storage;
}

std::u16string TextOf(const std::optional<cfb::TPropValue>& v) {
  return v && v->IsText() ? v->Text : std::u16string();
}

int64_t IntegerOf(const std::optional<cfb::TPropValue>& v) {
  return v && v->IsInteger() ? v->Int : 0;
}

std::optional<TCalendar> UtcToLocal(const TCalendar& utc) {
  const int64_t seconds = CalendarToUnixSeconds(utc);
  const std::optional<int64_t> offset = LocalOffsetAt(seconds);
  if (!offset) return std::nullopt;
  return UnixSecondsToCalendar(seconds + *offset, utc.Millisecond);
}

}  // namespace

void WriteStringProperty(TPropertyStorage* storage, std::u16string_view name,
                         std::u16string_view text) {
  Require(storage)->WriteByName(name, cfb::TPropValue::FromText(std::u16string(text)),
                                kFirstNamedProperty);
}

void WriteIntegerProperty(TPropertyStorage* storage, std::u16string_view name, int64_t value) {
  Require(storage)->WriteByName(name, cfb::TPropValue::FromInt64(value), kFirstNamedProperty);
}

void WriteStringPropertyID(TPropertyStorage* storage, uint32_t number, std::u16string_view text) {
  Require(storage)->Write(number, cfb::TPropValue::FromText(std::u16string(text)));
}

void WriteDateTimePropertyID(TPropertyStorage* storage, uint32_t number, TDateTime value) {
  Require(storage);
  auto calendar = DecodeDateTime(value);
  auto fileTime = calendar ? CalendarToFileTime(*calendar) : std::nullopt;
  if (!fileTime)
    throw EStorageError(TStorageStatus::InvalidParameter,
                        u"the date cannot be stored as a FILETIME");
  storage->Write(number, cfb::TPropValue::FromFileTime(fileTime->Value()));
}

std::u16string ReadStringProperty(const TPropertyStorage* storage, std::u16string_view name) {
  return storage ? TextOf(storage->ReadByName(name)) : std::u16string();
}

int64_t ReadIntegerProperty(const TPropertyStorage* storage, std::u16string_view name) {
  return storage ? IntegerOf(storage->ReadByName(name)) : 0;
}

std::u16string ReadStringPropertyID(const TPropertyStorage* storage, uint32_t number) {
  return storage ? TextOf(storage->Read(number)) : std::u16string();
}

TDateTime ReadDateTimePropertyID(const TPropertyStorage* storage, uint32_t number, bool toLocal) {
  if (!storage) return 0;
  auto v = storage->Read(number);
  if (!v || v->Type != cfb::VT_FILETIME) return 0;
  auto calendar = FileTimeToCalendar(TFileTime::FromValue(v->FileTime));
  if (calendar && toLocal) calendar = UtcToLocal(*calendar);
  if (!calendar) return 0;
  return EncodeDateTime(*calendar).value_or(0);
}

}  // namespace kv
