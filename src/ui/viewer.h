// The viewer's logic without widgets: the client pages and their collectors, the scan that
// appends every folder to the history data file, the load of a data file, the page choice, the
// folder tree, the message rows, the search with its history and the sort state. A window (or
// the command line) forwards user actions to these operations and renders the models.
#pragma once

#include <functional>
#include <memory>
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

class TViewerController {
 public:
  // Progress of a scan: page caption, folder, messages read in it, lines it added.
  using TScanProgress = std::function<void(const TClientPage& page, std::u16string_view folder,
                                           size_t messages, size_t added)>;

  TViewerController(const TSystemContext& context, std::vector<TClientPage> pages, TLocale locale);

  // A local viewer scans; a file viewer never does.
  void OpenLocal() { RefreshData(); }
  void RefreshData();
  void OpenFile(std::u16string_view fileName);

  // The data file a scan writes: "%s_%s.qmr" of the upper-cased machine and user names in the
  // program's folder, unless the owner named another one.
  std::u16string DefaultDataFile() const;
  void SetDataFile(std::u16string fileName) { FFilename = std::move(fileName); }
  const std::u16string& DataFile() const { return FFilename; }

  // User actions.
  void obSelect(int page);
  void FolderTreeChange(const TFolderNode* node);
  void cmSearch();
  void eSearchKeyUp(int key, bool shift, bool ctrl, bool alt);
  void HeaderClick(int column);
  void SetSearchText(std::u16string text) { FSearchText = std::move(text); }

  // The viewer's own header writer: six properties of the summary property set.
  void WriteHeader(TStructuredStorage& file, std::u16string_view comment, bool encoded);

  // Models.
  size_t PageCount() const { return FPages.size(); }
  const TClientPage& Page(int index) const { return FPages.at(size_t(index)); }
  TVix_EMails& CollectorOf(int page);  // -1: the current page
  int BarSelection() const { return FBarSelection; }
  int CurrentPage() const { return FCurrentPage; }
  const TFolderTree& Tree() const { return FTree; }
  const TFolderNode* SelectedNode() const { return FSelected; }
  const std::vector<int32_t>& Rows() const { return FRows; }
  const TMessageInfo& RowRecord(size_t row) { return CollectorOf(-1).Record(size_t(FRows.at(row))); }
  const TSortState& Sort() const { return FSort; }
  const std::u16string& SearchText() const { return FSearchText; }
  const TStringList& SearchHistory() const { return FSearchHistory; }
  std::u16string StatusText() const;
  const std::vector<TScanReport>& LastScan() const { return FLastScan; }
  const TLocale& Locale() const { return FLocale; }

  // Hooks for the window: splash around scans and loads, busy cursor around folder changes.
  std::function<void()> ShowSplash, HideSplash, ShowBusy, HideBusy;
  TScanProgress OnScanProgress;

 private:
  void ChoosePage();
  void ShowClientPage();
  void BuildFolderTree();
  void FillMessageList();

  const TSystemContext& FContext;
  std::vector<TClientPage> FPages;
  TLocale FLocale;
  std::u16string FFilename;
  int FBarSelection = 0;
  int FCurrentPage = 0;
  TFolderTree FTree;
  const TFolderNode* FSelected = nullptr;
  std::vector<int32_t> FRows;
  TSortState FSort;
  std::u16string FSearchText;
  TStringList FSearchHistory;
  std::vector<TScanReport> FLastScan;
};

}  // namespace kv
