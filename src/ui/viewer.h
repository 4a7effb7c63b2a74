// The viewer's logic without widgets: the client pages and their collectors, the scan that
// appends every folder to the history data file, the load of a data file, the page choice, the
// folder tree, the message rows, the search with its history and the sort state. A window (or
// the command line) forwards user actions to these operations and renders the models; it hears
// of every change of a model through the listeners, before the change and once it is done.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/emails.h"
#include "system/context.h"
#include "ui/folder_tree.h"
#include "ui/locale.h"
#include "ui/sort.h"

namespace kv {

struct TClientPage {
  std::u16string Caption;  // "Outlook Express", ...
  std::string Key;         // short name for the command line: "oe", "winmail", ...
  std::unique_ptr<TVix_EMails> Collector;
};

// A folder a scan could not read whole: its name as the folder tree shows it, why the read
// stopped, and how many messages were read (and appended) before.
struct TFolderFailure {
  std::u16string Folder;
  std::u16string Reason;
  size_t MessagesRead = 0;
};

// What a scan did for one client page.
struct TScanReport {
  std::u16string Caption;
  size_t Folders = 0;
  size_t Messages = 0;
  size_t LinesAdded = 0;
  std::vector<TFolderFailure> Failures;
};

// The models a window renders, as the listeners name their changes.
enum class TViewChange {
  vcPage,       // the current page or the bar's highlighted item
  vcTree,       // the folder tree is rebuilt: its nodes are freed and made anew
  vcShownNode,  // the node the tree shows as chosen (none while rows span all folders)
  vcRows,       // the rows are refilled (folder, page, search or load)
  vcOrder,      // the same rows in a new order; LastOrder() says which row went where
  vcStatus,     // the status text
  vcSearch,     // the search text was cleared or the history grew
};

// Releasing Enter (code 13) while no Shift, Ctrl or Alt key is held runs the search.
bool IsSearchKey(int key, bool shift, bool ctrl, bool alt);

class TViewerController {
 public:
  // Progress of a scan: page caption, folder, messages read in it, lines it added.
  using TScanProgress = std::function<void(const TClientPage& page, std::u16string_view folder,
                                           size_t messages, size_t added)>;
  // Hears `change` before it is made (`done` false) and once it is made (`done` true). Between
  // the two the changing model must not be read. Changes of one kind nest: only the outermost
  // pair is heard. A failure that ends an operation still closes its pairs.
  using TViewListener = std::function<void(TViewChange change, bool done)>;

  TViewerController(const TSystemContext& context, std::vector<TClientPage> pages, TLocale locale);

  // A local viewer scans; a file viewer never does.
  void OpenLocal() { RefreshData(); }
  // Scans (see Scan), then shows the first page that has folders, read from the live store.
  void RefreshData();
  // Appends every folder of every page to the data file, leaving the pages, tree and rows
  // empty: what a scan without a window needs. LastScan() tells what it did.
  void Scan();
  void OpenFile(std::u16string_view fileName);

  // The data file a scan writes: "%s_%s.qmr" of the upper-cased machine and user names in the
  // program's folder, unless the owner named another one.
  std::u16string DefaultDataFile() const;
  void SetDataFile(std::u16string fileName) { FFilename = std::move(fileName); }
  const std::u16string& DataFile() const { return FFilename; }

  // Commands.
  void SelectPage(int page);                   // the client bar's choice
  void ChooseFolder(const TFolderNode* node);  // the folder tree's choice; none does nothing
  void Search(std::u16string_view text);       // sets the search text and runs the search
  void SortByColumn(int column);               // a header click
  // The box's text as it is edited: it filters the next fill even before a search runs.
  void SetSearchText(std::u16string text) { FSearchText = std::move(text); }
  // Whether a search runs over every folder of the current page. Its rows then stand for
  // copies of the matches, each with its folder; choosing a folder returns to one folder.
  void SetSearchAllFolders(bool all) { FSearchAllFolders = all; }
  bool SearchAllFolders() const { return FSearchAllFolders; }

  // Walks the folders of every page `pages` accepts (every page when it is empty), in page and
  // folder order, each folder selected in turn.
  using TPageFilter = std::function<bool(const TClientPage& page)>;
  using TFolderVisit = std::function<void(const TClientPage& page, TVix_EMails& collector,
                                          const std::u16string& folder)>;
  void ForEachFolder(const TPageFilter& pages, const TFolderVisit& visit);
  // The records of those folders (of them, those `folders` accepts, or all) that a search for
  // `text` marks, copied into `out`; returns the folders read. With an empty text every record
  // is taken over from its collector, which is left without records.
  size_t CollectMatches(const TPageFilter& pages,
                        const std::function<bool(std::u16string_view)>& folders,
                        std::u16string_view text, TRecordStore& out);

  // The viewer's own header writer: six properties of the summary property set.
  void WriteHeader(TStructuredStorage& file, std::u16string_view comment, bool encoded);

  // Models.
  size_t PageCount() const { return FPages.size(); }
  const TClientPage& Page(int index) const { return FPages.at(size_t(index)); }
  TVix_EMails& CollectorOf(int page);  // -1: the current page
  const TVix_EMails& CollectorOf(int page) const;
  int BarSelection() const { return FBarSelection; }
  // The bar's item shown as selected: -1 until a page choice found a page or the user chose one.
  int HighlightedBarItem() const { return FBarHighlighted ? FBarSelection : -1; }
  int CurrentPage() const { return FCurrentPage; }
  const TFolderTree& Tree() const { return FTree; }
  const TFolderNode* SelectedNode() const { return FSelected; }
  // The rows: record indexes into the current collector's records, or into the matches of a
  // search over all folders. Read a row's record only through RowRecord.
  size_t RowCount() const { return FRows.size(); }
  TMessageView RowRecord(size_t row) const { return RecordAt(FRows.at(row)); }
  const std::vector<int32_t>& Rows() const { return FRows; }
  bool RowsSpanAllFolders() const { return FAcrossFolders; }
  // After a vcOrder change: row i holds what row LastOrder()[i] held before.
  std::span<const size_t> LastOrder() const { return FLastOrder; }
  // The list's incremental search: the first row from the top whose Subject begins with
  // `typed`, compared exactly.
  std::optional<size_t> FindSubjectRow(std::u16string_view typed) const;
  const TSortState& Sort() const { return FSort; }
  const std::u16string& SearchText() const { return FSearchText; }
  const TStringList& SearchHistory() const { return FSearchHistory; }
  std::u16string StatusText() const;
  const std::vector<TScanReport>& LastScan() const { return FLastScan; }
  const TLocale& Locale() const { return FLocale; }

  // Listeners; Listen returns the id that Unlisten takes.
  size_t Listen(TViewListener listener);
  void Unlisten(size_t id);

  // Hooks for the window: splash around scans and loads, busy cursor around folder changes.
  std::function<void()> ShowSplash, HideSplash, ShowBusy, HideBusy;
  TScanProgress OnScanProgress;

 private:
  class TChange;
  void Notify(TViewChange change, bool done);
  void ScanFolders();
  void ChoosePage();
  void ShowClientPage();
  void BuildFolderTree();
  void FillMessageList();
  void SearchAcrossFolders(std::u16string_view trimmed);
  void LeaveAcrossFolders();
  void SetShownNode(const TFolderNode* node);
  TMessageView RecordAt(int32_t index) const;
  TRecordLookup Lookup() const;

  const TSystemContext& FContext;
  std::vector<TClientPage> FPages;
  TLocale FLocale;
  std::u16string FFilename;
  int FBarSelection = 0;
  bool FBarHighlighted = false;
  int FCurrentPage = 0;
  TFolderTree FTree;
  const TFolderNode* FSelected = nullptr;
  std::vector<int32_t> FRows;
  std::vector<size_t> FLastOrder;
  TSortState FSort;
  std::u16string FSearchText;
  TStringList FSearchHistory;
  bool FSearchAllFolders = false;
  bool FAcrossFolders = false;
  TRecordStore FFound;                       // the matches of a search over all folders
  const TFolderNode* FReturnNode = nullptr;  // the node shown before it
  std::vector<TScanReport> FLastScan;
  std::vector<std::pair<size_t, TViewListener>> FListeners;
  size_t FNextListener = 1;
  int FChangeDepth[7] = {};
};

}  // namespace kv
