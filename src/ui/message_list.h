// How the message list renders and orders its rows: the column table, the text and icon of each
// cell, the comparison of two records by a column, the incremental-search match and the images
// of the folder tree's nodes. A row of the list holds only a record index; these functions take
// the record the row stands for, so they work the same over a live collector or a loaded file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/message.h"
#include "ui/locale.h"

namespace kv {

// The small images shared by the list and the folder tree, by number.
enum class TListImage : int {
  liPaperclip = 0,     // message has attachments
  liHighPriority = 1,  // red exclamation mark: highest priority
  liLowPriority = 2,   // blue downward arrow: lowest priority
  liFlag = 3,          // red flag: flag bit set
  liRead = 4,          // open envelope
  liUnread = 5,        // closed envelope
  liMailTray = 6,      // top-level folder-tree node
  liFolder = 7,        // deeper folder-tree node
};

// What kind of image the list or tree asks for; overlays never get one.
enum class TImageKind { ikNormal, ikSelected, ikState, ikOverlay };

// Column indices.
enum TListColumnIndex : int {
  lcPriority = 0,
  lcAttachment = 1,
  lcFlag = 2,
  lcSender = 3,
  lcSubject = 4,
  lcReceived = 5,
  lcReceiver = 6,
  lcSize = 7,
  lcFolder = 8,  // only in the rows of a search over all folders
};
constexpr int kListColumnCount = 8;    // the list's own columns
constexpr int kResultColumnCount = 9;  // with the Folder column of a search over all folders

struct TListColumn {
  int Index = 0;
  std::u16string_view Header;             // empty for the image-headed columns
  std::optional<TListImage> HeaderImage;  // the image shown as header instead of a text
  int Width = 0;                          // pixels at 96 dots per inch
  bool RightAligned = false;
  bool Shown = true;  // the flag column exists but is never shown
};

// The eight columns in index order. Column 4 (Subject) is the main column.
const std::array<TListColumn, kListColumnCount>& ListColumns();
// The column that names each row's folder when the rows come from a search over all folders.
const TListColumn& FolderColumn();
constexpr int kMainColumn = lcSubject;

// Column 3's text: the sender name, or the address when the name is empty. Likewise column 6.
std::u16string_view SenderText(const TMessageView& record);
std::u16string_view ReceiverText(const TMessageView& record);

// The received date as the list shows it: short date, a blank and the long time; the time is
// left out when hour, minute and second are all zero. Empty for a value no calendar holds.
std::u16string ReceivedText(TDateTime date, const TLocale& locale);

// Cell text of a column; the image columns 0 to 2 (and unknown columns) have none. The
// Folder column shows the folder the record was read from.
std::u16string CellText(const TMessageView& record, int column, const TLocale& locale);

// Cell image of a column, or none.
std::optional<TListImage> CellImage(const TMessageView& record, int column, TImageKind kind);

// A column's sort key: a text for the text columns (Sender, Subject, Receiver, Folder),
// compared by the locale's collation, else a number (every numeric key fits a double exactly).
bool IsTextColumn(int column);
std::u16string_view TextSortKey(const TMessageView& record, int column);
double NumericSortKey(const TMessageView& record, int column);

// -1, 0 or +1: the record's key of `column` against the other record's key.
int CompareRecords(const TMessageView& a, const TMessageView& b, int column, const TLocale& locale);

// The Received column's sort key: the date, a value that is not a number counting as 0.
double DateSortKey(TDateTime date);

// The first row, from the top, whose record's Subject begins with `typed`, compared exactly
// (case-sensitive). nullopt when none does or `typed` is empty.
using TRecordLookup = std::function<TMessageView(int32_t recordIndex)>;
std::optional<size_t> FindSubjectPrefix(std::span<const int32_t> rows, const TRecordLookup& record,
                                        std::u16string_view typed);

// A folder-tree node's image: the mail tray at the top level (depth 0), a folder below it.
std::optional<TListImage> FolderTreeImage(int depth, TImageKind kind);

}  // namespace kv
