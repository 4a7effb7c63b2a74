#include "ui/message_list.h"

#include <cmath>

namespace kv {

const std::array<TListColumn, kListColumnCount>& ListColumns() {
  static const std::array<TListColumn, kListColumnCount> columns = {{
      {lcPriority, u"", TListImage::liHighPriority, 25, false, true},
      {lcAttachment, u"", TListImage::liPaperclip, 25, false, true},
      {lcFlag, u"", TListImage::liFlag, 25, false, false},
      {lcSender, u"Sender", std::nullopt, 100, false, true},
      {lcSubject, u"Subject", std::nullopt, 144, false, true},
      {lcReceived, u"Received", std::nullopt, 125, false, true},
      {lcReceiver, u"Receiver", std::nullopt, 100, false, true},
      {lcSize, u"Size [B]", std::nullopt, 80, true, true},
  }};
  return columns;
}

const TListColumn& FolderColumn() {
  static const TListColumn column{lcFolder, u"Folder", std::nullopt, 100, false, true};
  return column;
}

std::u16string_view SenderText(const TMessageView& record) {
  return record.SenderName.empty() ? std::u16string_view(record.SenderEmail)
                                   : std::u16string_view(record.SenderName);
}

std::u16string_view ReceiverText(const TMessageView& record) {
  return record.ReceiverName.empty() ? std::u16string_view(record.ReceiverEmail)
                                     : std::u16string_view(record.ReceiverName);
}

std::u16string ReceivedText(TDateTime date, const TLocale& locale) {
  auto c = DecodeDateTime(date);
  if (!c) return {};
  std::u16string text = locale.FormatShortDate(*c);
  if (c->Hour != 0 || c->Minute != 0 || c->Second != 0) text += u" " + locale.FormatLongTime(*c);
  return text;
}

std::u16string CellText(const TMessageView& record, int column, const TLocale& locale) {
  switch (column) {
    case lcSender: return std::u16string(SenderText(record));
    case lcSubject: return record.Subject;
    case lcReceived: return ReceivedText(record.ReceivedDate, locale);
    case lcReceiver: return std::u16string(ReceiverText(record));
    case lcSize: return locale.FormatThousands(record.Size);
    case lcFolder: return record._Folder;
    default: return {};
  }
}

std::optional<TListImage> CellImage(const TMessageView& record, int column, TImageKind kind) {
  if (kind == TImageKind::ikOverlay) return std::nullopt;
  switch (column) {
    case lcPriority:
      if (record.Priority == 1) return TListImage::liHighPriority;
      if (record.Priority == 5) return TListImage::liLowPriority;
      return std::nullopt;
    case lcAttachment:
      if (record.Flags & kFlagAttachment) return TListImage::liPaperclip;
      return std::nullopt;
    case lcFlag:
      if (record.Flags & kFlagFlagged) return TListImage::liFlag;
      return std::nullopt;
    case lcSender: return (record.Flags & kFlagRead) ? TListImage::liRead : TListImage::liUnread;
    default: return std::nullopt;
  }
}

namespace {
template <typename T>
int CompareValues(T a, T b) {
  return (a > b) - (a < b);
}
}  // namespace

double DateSortKey(TDateTime date) { return std::isnan(date) ? 0.0 : date; }

bool IsTextColumn(int column) {
  return column == lcSender || column == lcSubject || column == lcReceiver || column == lcFolder;
}

std::u16string_view TextSortKey(const TMessageView& r, int column) {
  switch (column) {
    case lcSender: return SenderText(r);
    case lcReceiver: return ReceiverText(r);
    case lcFolder: return r._Folder;
    default: return r.Subject;
  }
}

double NumericSortKey(const TMessageView& r, int column) {
  switch (column) {
    case lcPriority: return r.Priority;
    case lcAttachment: return r.Flags & kFlagAttachment;
    case lcFlag: return r.Flags & kFlagFlagged;
    case lcReceived: return DateSortKey(r.ReceivedDate);
    case lcSize: return r.Size;
    default: return 0;
  }
}

int CompareRecords(const TMessageView& a, const TMessageView& b, int column,
                   const TLocale& locale) {
  if (IsTextColumn(column)) return locale.Compare(TextSortKey(a, column), TextSortKey(b, column));
  return CompareValues(NumericSortKey(a, column), NumericSortKey(b, column));
}

std::optional<size_t> FindSubjectPrefix(std::span<const int32_t> rows, const TRecordLookup& record,
                                        std::u16string_view typed) {
  if (typed.empty()) return std::nullopt;
  for (size_t i = 0; i < rows.size(); ++i)
    if (std::u16string_view(record(rows[i]).Subject).starts_with(typed)) return i;
  return std::nullopt;
}

std::optional<TListImage> FolderTreeImage(int depth, TImageKind kind) {
  if (kind == TImageKind::ikOverlay) return std::nullopt;
  return depth <= 0 ? TListImage::liMailTray : TListImage::liFolder;
}

}  // namespace kv
