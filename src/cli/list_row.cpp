#include "cli/list_row.h"

#include "base/text.h"
#include "cli/export_row.h"
#include "ui/message_list.h"

namespace kv {

namespace {

bool HasFolderColumns(TOutputFormat format, bool withFolders) {
  return withFolders || format != TOutputFormat::ofTable;
}

}  // namespace

std::vector<TColumn> ListColumnsFor(TOutputFormat format, bool withFolders) {
  const auto& list = ListColumns();
  auto title = [&](int column) { return std::u16string(list[size_t(column)].Header); };
  std::vector<TColumn> columns;
  if (HasFolderColumns(format, withFolders)) {
    const bool table = format == TOutputFormat::ofTable;
    columns.push_back({"client", table ? u"Client" : u"client", TCellKind::ckText, false, 0});
    columns.push_back(
        {"folder", table ? u"Folder" : u"folder", TCellKind::ckText, false, table ? 30u : 0u});
  }
  if (format == TOutputFormat::ofTable) {
    columns.insert(columns.end(), {
                                      {"marks", u"", TCellKind::ckText, false, 3},
                                      {"sender", title(lcSender), TCellKind::ckText, false, 30},
                                      {"subject", title(lcSubject), TCellKind::ckText, false, 50},
                                      {"received", title(lcReceived), TCellKind::ckText, false, 0},
                                      {"receiver", title(lcReceiver), TCellKind::ckText, false, 30},
                                      {"size", title(lcSize), TCellKind::ckNumber, true, 0},
                                  });
    return columns;
  }
  columns.insert(columns.end(), {
                                    {"priority", u"priority", TCellKind::ckText, false, 0},
                                    {"attachment", u"attachment", TCellKind::ckBoolean, false, 0},
                                    {"read", u"read", TCellKind::ckBoolean, false, 0},
                                    {"sender", u"sender", TCellKind::ckText, false, 0},
                                    {"subject", u"subject", TCellKind::ckText, false, 0},
                                    {"received", u"received", TCellKind::ckText, false, 0},
                                    {"receiver", u"receiver", TCellKind::ckText, false, 0},
                                    {"size", u"size", TCellKind::ckNumber, true, 0},
                                });
  return columns;
}

void ListCells(const TMessageView& r, const TLocale& locale, TOutputFormat format, bool withFolders,
               std::vector<std::u16string>& cells) {
  auto priority = CellImage(r, lcPriority, TImageKind::ikNormal);
  bool attachment = CellImage(r, lcAttachment, TImageKind::ikNormal).has_value();
  bool read = CellImage(r, lcSender, TImageKind::ikNormal) == TListImage::liRead;
  const size_t at = HasFolderColumns(format, withFolders) ? 2 : 0;
  // Sender, subject, received and receiver, the viewer's texts in both forms, from `from` on.
  auto viewerTexts = [&](size_t from) {
    const int columns[] = {lcSender, lcSubject, lcReceived, lcReceiver};
    for (size_t k = 0; k < std::size(columns); ++k)
      cells[from + k] = CellText(r, columns[k], locale);
  };
  if (format == TOutputFormat::ofTable) {
    cells.resize(at + 6);
    std::u16string& marks = cells[at];
    marks.assign(3, u' ');
    if (priority == TListImage::liHighPriority) marks[0] = u'!';
    if (priority == TListImage::liLowPriority) marks[0] = u'\u2193';
    if (attachment) marks[1] = u'@';
    if (!read) marks[2] = u'*';
    viewerTexts(at + 1);
    cells[at + 5] = CellText(r, lcSize, locale);
  } else {
    cells.resize(at + 8);
    cells[at] = priority == TListImage::liHighPriority  ? u"high"
                : priority == TListImage::liLowPriority ? u"low"
                                                        : u"";
    cells[at + 1] = attachment ? u"true" : u"false";
    cells[at + 2] = read ? u"true" : u"false";
    viewerTexts(at + 3);
    cells[at + 7] = UIntToStr(r.Size);
  }
  if (at) {
    cells[0] = ClientName(r._Client);
    cells[1] = r._Folder;
  }
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
