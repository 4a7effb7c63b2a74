#include "ui/viewer.h"

#include "storage/data_file_layout.h"
#include "storage/property_helpers.h"
#include "storage/storage_file.h"
#include "storage/storage_property_set.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"
#include "system/file_search.h"
#include "system/path.h"
#include "system/user_facts.h"

namespace kv {

namespace {

// Runs `after` on every exit of the scope, also when an exception passes.
class TGuard {
 public:
  TGuard(const std::function<void()>& before, const std::function<void()>& after) : FAfter(after) {
    if (before) before();
  }
  ~TGuard() {
    if (FAfter) FAfter();
  }
  TGuard(const TGuard&) = delete;
  TGuard& operator=(const TGuard&) = delete;

 private:
  const std::function<void()>& FAfter;
};

}  // namespace

// One change of a model, heard by the listeners before and after; nested changes of the same
// kind are heard once. A refill starts from no rows, so a failure that ends it leaves no row
// pointing at records that are gone, and its end is also a change of the status text.
class TViewerController::TChange {
 public:
  TChange(TViewerController& owner, TViewChange kind) : FOwner(owner), FKind(kind) {
    if (FOwner.FChangeDepth[int(FKind)]++ > 0) return;
    FOwner.Notify(FKind, false);
    if (FKind == TViewChange::vcRows) {
      FOwner.FRows.clear();
      FOwner.FLastOrder.clear();
    }
  }
  ~TChange() {
    if (--FOwner.FChangeDepth[int(FKind)] > 0) return;
    FOwner.Notify(FKind, true);
    if (FKind == TViewChange::vcRows) {
      FOwner.Notify(TViewChange::vcStatus, false);
      FOwner.Notify(TViewChange::vcStatus, true);
    }
  }
  TChange(const TChange&) = delete;
  TChange& operator=(const TChange&) = delete;

 private:
  TViewerController& FOwner;
  TViewChange FKind;
};

bool IsSearchKey(int key, bool shift, bool ctrl, bool alt) {
  return key == 13 && !shift && !ctrl && !alt;
}

TViewerController::TViewerController(const TSystemContext& context, std::vector<TClientPage> pages,
                                     TLocale locale)
    : FContext(context), FPages(std::move(pages)), FLocale(std::move(locale)) {
  for (auto& page : FPages)
    page.Collector->OnWriteHeader = [this](TStructuredStorage& f, std::u16string_view c, bool e) {
      WriteHeader(f, c, e);
    };
}

TVix_EMails& TViewerController::CollectorOf(int page) {
  return *FPages.at(size_t(page < 0 ? FCurrentPage : page)).Collector;
}

const TVix_EMails& TViewerController::CollectorOf(int page) const {
  return *FPages.at(size_t(page < 0 ? FCurrentPage : page)).Collector;
}

size_t TViewerController::Listen(TViewListener listener) {
  FListeners.emplace_back(FNextListener, std::move(listener));
  return FNextListener++;
}

void TViewerController::Unlisten(size_t id) {
  std::erase_if(FListeners, [id](const auto& l) { return l.first == id; });
}

void TViewerController::Notify(TViewChange change, bool done) {
  for (size_t i = 0; i < FListeners.size(); ++i) FListeners[i].second(change, done);
}

std::u16string TViewerController::DefaultDataFile() const {
  const TStartupFacts& f = FContext.Facts();
  const char16_t sep = FContext.Separator();
  std::u16string folder = ParentFolder(FContext.Platform().ProgramFile(), sep);
  return IncludeTrailingSeparator(folder, sep) + DataFileName(f.MachineName, f.CurrentUserName);
}

void TViewerController::RefreshData() {
  if (FPages.empty() || !FPages.front().Collector->LiveData()) return;
  TGuard splash(ShowSplash, HideSplash);
  // Every collector reads its folders anew: no row may point at their records meanwhile.
  TChange rows(*this, TViewChange::vcRows);
  ScanFolders();
  ChoosePage();
}

void TViewerController::Scan() {
  if (FPages.empty() || !FPages.front().Collector->LiveData()) return;
  TGuard splash(ShowSplash, HideSplash);
  TChange rows(*this, TViewChange::vcRows);
  ScanFolders();
}

void TViewerController::ScanFolders() {
  LeaveAcrossFolders();
  {
    TChange search(*this, TViewChange::vcSearch);
    FSearchText.clear();
  }
  if (FFilename.empty()) FFilename = DefaultDataFile();
  FLastScan.clear();
  for (auto& page : FPages) {
    TVix_EMails& c = *page.Collector;
    TScanReport report{page.Caption, 0, 0, 0, {}};
    c.GetMailboxFolders(u"", u"");
    const TStringList folders = c.Folders();
    report.Folders = folders.size();
    for (const auto& folder : folders) {
      c.SetFolder(folder);
      if (const auto& error = c.FolderReadError())
        report.Failures.push_back({FolderNameFromPath(FContext, folder), *error, c.RecordCount()});
      size_t added = c.AppendToStorage(FFilename, u"", ZCompressStream, ZDecompressStream);
      report.Messages += c.RecordCount();
      report.LinesAdded += added;
      if (OnScanProgress) OnScanProgress(page, folder, c.RecordCount(), added);
    }
    FLastScan.push_back(report);
  }
}

void TViewerController::OpenFile(std::u16string_view fileName) {
  TGuard splash(ShowSplash, HideSplash);
  TChange rows(*this, TViewChange::vcRows);
  LeaveAcrossFolders();
  FFilename = std::u16string(fileName);
  for (auto& page : FPages) page.Collector->LoadFromStorage(FFilename, ZDecompressStream);
  ChoosePage();
}

void TViewerController::ChoosePage() {
  for (size_t p = 0; p < FPages.size(); ++p)
    if (!FPages[p].Collector->Folders().empty()) {
      if (FBarSelection != int(p)) {
        SelectPage(int(p));
      } else {
        TChange page(*this, TViewChange::vcPage);
        FBarHighlighted = true;
      }
      break;
    }
  ShowClientPage();
}

void TViewerController::SelectPage(int page) {
  TChange change(*this, TViewChange::vcPage);
  FBarSelection = page;
  FBarHighlighted = true;
  ShowClientPage();
}

void TViewerController::ShowClientPage() {
  if (FBarSelection < 0 || size_t(FBarSelection) >= FPages.size()) return;
  TChange rows(*this, TViewChange::vcRows);
  TChange page(*this, TViewChange::vcPage);
  LeaveAcrossFolders();
  FCurrentPage = FBarSelection;
  BuildFolderTree();
}

void TViewerController::BuildFolderTree() {
  TVix_EMails& c = CollectorOf(-1);
  {
    TChange tree(*this, TViewChange::vcTree);
    FSelected = nullptr;
    FReturnNode = nullptr;
    FTree.Build(c.Folders(), c.Store(), c.EID() == TEmailClient::ecThunderbird,
                FContext.Separator());
  }
  // The tree reports its new selection once its update ends: that choice fills the rows, so
  // the folder is switched once per build.
  if (const TFolderNode* shown = FTree.ShownNode()) {
    ChooseFolder(shown);
  } else {
    SetShownNode(nullptr);
    FillMessageList();
  }
}

void TViewerController::SetShownNode(const TFolderNode* node) {
  TChange change(*this, TViewChange::vcShownNode);
  FSelected = node;
}

void TViewerController::ChooseFolder(const TFolderNode* node) {
  if (!node) return;
  TGuard busy(ShowBusy, HideBusy);
  TChange rows(*this, TViewChange::vcRows);
  LeaveAcrossFolders();
  SetShownNode(node);
  CollectorOf(-1).SetFolder(node->BoundFolder);
  FillMessageList();
}

TMessageView TViewerController::RecordAt(int32_t index) const {
  return FAcrossFolders ? FFound.at(size_t(index)) : CollectorOf(-1).Record(size_t(index));
}

TRecordLookup TViewerController::Lookup() const {
  return [this](int32_t i) { return RecordAt(i); };
}

void TViewerController::FillMessageList() {
  TChange rows(*this, TViewChange::vcRows);
  FRows.clear();
  if (FAcrossFolders) {
    for (size_t i = 0; i < FFound.size(); ++i) FRows.push_back(int32_t(i));
  } else {
    const TVix_EMails& c = CollectorOf(-1);
    const bool filtered = !TrimView(FSearchText).empty();
    FRows.reserve(c.RecordCount());
    for (size_t i = 0; i < c.RecordCount(); ++i)
      if (!filtered || c.Record(i)._Marked) FRows.push_back(int32_t(i));
  }
  SortRows(FRows, Lookup(), FSort, FLocale);
}

void TViewerController::SortByColumn(int column) {
  FSort = HeaderClick(FSort, column);
  TChange order(*this, TViewChange::vcOrder);
  FLastOrder = SortRows(FRows, Lookup(), FSort, FLocale);
}

std::optional<size_t> TViewerController::FindSubjectRow(std::u16string_view typed) const {
  return FindSubjectPrefix(FRows, Lookup(), typed);
}

void TViewerController::Search(std::u16string_view text) {
  TGuard busy(ShowBusy, HideBusy);
  FSearchText = std::u16string(text);
  const std::u16string trimmed = Trim(FSearchText);
  TChange rows(*this, TViewChange::vcRows);
  if (!trimmed.empty()) {
    bool known = false;
    for (const auto& h : FSearchHistory) known = known || SameTextAscii(h, FSearchText);
    if (!known) {
      TChange search(*this, TViewChange::vcSearch);
      FSearchHistory.push_back(FSearchText);
    }
  }
  if (!trimmed.empty() && FSearchAllFolders) {
    SearchAcrossFolders(trimmed);
    return;
  }
  if (FAcrossFolders) {
    // Back to the folder shown before the search over all folders; its records are read
    // anew, the collector having walked every folder since.
    const TFolderNode* back = FReturnNode;
    LeaveAcrossFolders();
    if (back) {
      SetShownNode(back);
      CollectorOf(-1).SetFolder(back->BoundFolder);
    }
  }
  if (!trimmed.empty()) CollectorOf(-1).Search(trimmed);
  FillMessageList();
}

void TViewerController::SearchAcrossFolders(std::u16string_view trimmed) {
  if (!FAcrossFolders) FReturnNode = FSelected;
  FAcrossFolders = true;
  SetShownNode(nullptr);
  const TVix_EMails* current = &CollectorOf(-1);
  CollectMatches([current](const TClientPage& page) { return page.Collector.get() == current; }, {},
                 trimmed, FFound);
  FillMessageList();
}

void TViewerController::ForEachFolder(const TPageFilter& pages, const TFolderVisit& visit) {
  for (const TClientPage& page : FPages) {
    if (pages && !pages(page)) continue;
    TVix_EMails& c = *page.Collector;
    for (const auto& folder : TStringList(c.Folders())) {  // a stored-mode reload refills the list
      c.SetFolder(folder);
      visit(page, c, folder);
    }
  }
}

size_t TViewerController::CollectMatches(const TPageFilter& pages,
                                         const std::function<bool(std::u16string_view)>& folders,
                                         std::u16string_view text, TRecordStore& out) {
  out.clear();
  size_t read = 0;
  for (const TClientPage& page : FPages) {
    if (pages && !pages(page)) continue;
    TVix_EMails& c = *page.Collector;
    for (const auto& folder : TStringList(c.Folders())) {
      if (folders && !folders(folder)) continue;
      c.SetFolder(folder);
      ++read;
      if (text.empty()) {  // every record: taken over whole, not copied
        out.Append(c.TakeRecords());
        continue;
      }
      c.Search(text);
      for (const TMessageView r : c.Records())
        if (r._Marked) out.push_back(r);
    }
  }
  return read;
}

void TViewerController::LeaveAcrossFolders() {
  if (!FAcrossFolders) return;
  FAcrossFolders = false;
  FFound.clear();
  FReturnNode = nullptr;
}

std::u16string TViewerController::StatusText() const {
  return IntToStr(int64_t(FRows.size())) + u" messages";
}

void TViewerController::WriteHeader(TStructuredStorage& root, std::u16string_view, bool) {
  const TStartupFacts& f = FContext.Facts();
  auto set = root.OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true);
  TPropertyStorage* ps = set->_IPropertyStorage();
  const TVersionInfo& v = f.ProgramVersion;
  WriteStringPropertyID(ps, PIDSI_APPNAME, v.ProductName + u' ' + v.Version);
  WriteStringPropertyID(ps, PIDSI_AUTHOR, v.Copyright);
  WriteStringPropertyID(ps, PIDSI_KEYWORDS, OSKeywordsText(f));
  WriteStringPropertyID(ps, PIDSI_SUBJECT, AsciiUpper(f.MachineName));
  WriteDateTimePropertyID(ps, PIDSI_CREATE_DTM, NowLocal());
  WriteStringProperty(ps, u"Username", f.CurrentUserName);
  set->Flush();
}

}  // namespace kv
