// The "Message details" of one record: every stored field as a label and its text, the flags in
// hex with what the known bits mean, the priority with its name and the received date in ISO
// form, so a window only lays the pairs out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/message.h"
#include "ui/locale.h"

namespace kv {

struct TDetailField {
  std::u16string_view Label;
  std::u16string Value;
};

std::vector<TDetailField> MessageDetails(const TMessageView& record, const TLocale& locale);

// "0x00004080 (read, has attachments)"; the bits nobody names are listed as "other 0x...".
std::u16string FlagsText(uint32_t flags);
// "1 (highest)" ... "5 (lowest)", "0 (none)"; other values as the number alone.
std::u16string PriorityText(uint32_t priority);
// "2009-07-01 06:30:00"; "(none)" for 0, the date a store gives when it has none, and for a
// value no calendar holds.
std::u16string IsoDateTimeText(TDateTime date);

}  // namespace kv
