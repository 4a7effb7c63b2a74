// The rows of `list`: a folder's messages as the viewer's message list shows them.
//
// In the table form the first column holds three one-character markers, blank when off:
//   1st  "!" highest priority (1), "↓" lowest priority (5) — the list's priority icons
//   2nd  "@" the message has attachments — the paperclip
//   3rd  "*" the message is unread — the closed envelope (read messages show a blank)
// then Sender, Subject, Received, Receiver and "Size [B]" with the viewer's texts: the sender
// or receiver name, else the address; the date in the locale's short date and long time forms
// (no time at midnight); the size with the locale's thousands separator.
//
// In the CSV and JSON Lines forms the markers are separate fields and the size is a plain
// number: priority ("high", "low" or empty), attachment and read (true/false), sender,
// subject, received (the viewer's date text), receiver, size.
//
// Rows of several folders are told apart by two leading columns, client (the short client
// name: oe, winmail, winlivemail, thunderbird) and folder (the stored folder's name). The CSV
// and JSON Lines forms always have them, so their layout does not depend on the filters; the
// table shows them when `withFolders` is set, that is when the listing covers more than one
// folder.
//
// `--sort COLUMN[:asc|:desc]` names a column of the viewer's list: priority, attachment,
// sender, subject, received, receiver, size; without a direction it sorts ascending, as a click
// on a new column header does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/row_writer.h"
#include "core/message.h"
#include "ui/locale.h"
#include "ui/sort.h"

namespace kv {

std::vector<TColumn> ListColumnsFor(TOutputFormat format, bool withFolders);

// Fills `cells` (resized to the column count) with one message's row in the given form.
void ListCells(const TMessageView& record, const TLocale& locale, TOutputFormat format,
               bool withFolders, std::vector<std::u16string>& cells);

// The sort state of a --sort value; nullopt for an unknown column or direction.
std::optional<TSortState> ParseSortOption(std::string_view text);

}  // namespace kv
