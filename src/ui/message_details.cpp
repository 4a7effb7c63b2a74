#include "ui/message_details.h"

namespace kv {

namespace {

std::u16string Hex8(uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kDigits[(value >> shift) & 0xF]);
  return out;
}

std::u16string Padded(int value, size_t width) {
  std::u16string text = IntToStr(value);
  while (text.size() < width) text.insert(text.begin(), u'0');
  return text;
}

}  // namespace

std::u16string FlagsText(uint32_t flags) {
  std::vector<std::u16string> meaning;
  meaning.push_back((flags & kFlagRead) ? u"read" : u"unread");
  if (flags & kFlagAttachment) meaning.push_back(u"has attachments");
  if (flags & kFlagFlagged) meaning.push_back(u"flagged");
  if (uint32_t other = flags & ~(kFlagRead | kFlagAttachment | kFlagFlagged))
    meaning.push_back(u"other " + Hex8(other));
  return Hex8(flags) + u" (" + Join(meaning, u", ") + u")";
}

std::u16string PriorityText(uint32_t priority) {
  static constexpr std::u16string_view kNames[] = {u"none",   u"highest", u"high",
                                                   u"normal", u"low",     u"lowest"};
  std::u16string text = UIntToStr(priority);
  if (priority < std::size(kNames)) text += u" (" + std::u16string(kNames[priority]) + u")";
  return text;
}

std::u16string IsoDateTimeText(TDateTime date) {
  auto c = date == 0 ? std::nullopt : DecodeDateTime(date);
  if (!c) return u"(none)";
  return Padded(c->Year, 4) + u"-" + Padded(c->Month, 2) + u"-" + Padded(c->Day, 2) + u" " +
         Padded(c->Hour, 2) + u":" + Padded(c->Minute, 2) + u":" + Padded(c->Second, 2);
}

std::vector<TDetailField> MessageDetails(const TMessageView& r, const TLocale& locale) {
  return {
      {u"Subject", r.Subject},
      {u"Sender name", r.SenderName},
      {u"Sender address", r.SenderEmail},
      {u"Receiver name", r.ReceiverName},
      {u"Receiver address", r.ReceiverEmail},
      {u"Received", IsoDateTimeText(r.ReceivedDate)},
      {u"Date as sent", r.Received},
      {u"Message ID", r.ID},
      {u"Account", r.Account},
      {u"Server", r.Server},
      {u"Folder", r._Folder},
      {u"Flags", FlagsText(r.Flags)},
      {u"Priority", PriorityText(r.Priority)},
      {u"Size", locale.FormatThousands(r.Size) + u" bytes"},
      {u"Index", UIntToStr(r.Index)},
  };
}

}  // namespace kv
