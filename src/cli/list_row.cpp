#include "cli/list_row.h"

#include "base/text.h"
#include "ui/message_list.h"

namespace kv {

std::vector<TColumn> ListColumnsFor(TOutputFormat format) {
  const auto& list = ListColumns();
  auto title = [&](int column) { return std::u16string(list[size_t(column)].Header); };
  if (format == TOutputFormat::ofTable) {
    return {
        {"marks", u"", TCellKind::ckText, false, 3},
        {"sender", title(lcSender), TCellKind::ckText, false, 30},
        {"subject", title(lcSubject), TCellKind::ckText, false, 50},
        {"received", title(lcReceived), TCellKind::ckText, false, 0},
        {"receiver", title(lcReceiver), TCellKind::ckText, false, 30},
        {"size", title(lcSize), TCellKind::ckNumber, true, 0},
    };
  }
  return {
      {"priority", u"priority", TCellKind::ckText, false, 0},
      {"attachment", u"attachment", TCellKind::ckBoolean, false, 0},
      {"read", u"read", TCellKind::ckBoolean, false, 0},
      {"sender", u"sender", TCellKind::ckText, false, 0},
      {"subject", u"subject", TCellKind::ckText, false, 0},
      {"received", u"received", TCellKind::ckText, false, 0},
      {"receiver", u"receiver", TCellKind::ckText, false, 0},
      {"size", u"size", TCellKind::ckNumber, true, 0},
  };
}

void ListCells(const TMessageInfo& r, const TLocale& locale, TOutputFormat format,
               std::vector<std::u16string>& cells) {
  auto priority = CellImage(r, lcPriority, TImageKind::ikNormal);
  bool attachment = CellImage(r, lcAttachment, TImageKind::ikNormal).has_value();
  bool read = CellImage(r, lcSender, TImageKind::ikNormal) == TListImage::liRead;
  if (format == TOutputFormat::ofTable) {
    cells.resize(6);
    std::u16string& marks = cells[0];
    marks.assign(3, u' ');
    if (priority == TListImage::liHighPriority) marks[0] = u'!';
    if (priority == TListImage::liLowPriority) marks[0] = u'\u2193';
    if (attachment) marks[1] = u'@';
    if (!read) marks[2] = u'*';
    cells[1] = CellText(r, lcSender, locale);
    cells[2] = CellText(r, lcSubject, locale);
    cells[3] = CellText(r, lcReceived, locale);
    cells[4] = CellText(r, lcReceiver, locale);
    cells[5] = CellText(r, lcSize, locale);
    return;
  }
  cells.resize(8);
  cells[0] = priority == TListImage::liHighPriority  ? u"high"
             : priority == TListImage::liLowPriority ? u"low"
                                                     : u"";
  cells[1] = attachment ? u"true" : u"false";
  cells[2] = read ? u"true" : u"false";
  cells[3] = CellText(r, lcSender, locale);
  cells[4] = CellText(r, lcSubject, locale);
  cells[5] = CellText(r, lcReceived, locale);
  cells[6] = CellText(r, lcReceiver, locale);
  cells[7] = UIntToStr(r.Size);
}

std::optional<TSortState> ParseSortOption(std::string_view text) {
  std::string_view name = text, direction;
  if (auto colon = text.find(':'); colon != std::string_view::npos) {
    name = text.substr(0, colon);
    direction = text.substr(colon + 1);
  }
  static const std::pair<std::string_view, int> kColumns[] = {
      {"priority", lcPriority}, {"attachment", lcAttachment}, {"sender", lcSender},
      {"subject", lcSubject},   {"received", lcReceived},     {"receiver", lcReceiver},
      {"size", lcSize},
  };
  TSortState state;
  bool found = false;
  for (const auto& [key, column] : kColumns) {
    if (SameTextAscii(Ascii(name), Ascii(key))) {
      state.Column = column;
      found = true;
    }
  }
  if (!found) return std::nullopt;
  if (direction.empty() && text.find(':') == std::string_view::npos) {
    state.Direction = TSortDirection::sdAscending;
  } else if (SameTextAscii(Ascii(direction), u"asc")) {
    state.Direction = TSortDirection::sdAscending;
  } else if (SameTextAscii(Ascii(direction), u"desc")) {
    state.Direction = TSortDirection::sdDescending;
  } else {
    return std::nullopt;
  }
  return state;
}

}  // namespace kv
