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

std::u16string TViewerController::DefaultDataFile() const {
  const TStartupFacts& f = FContext.Facts();
  const char16_t sep = FContext.Separator();
  std::u16string folder = ParentFolder(FContext.Platform().ProgramFile(), sep);
  return IncludeTrailingSeparator(folder, sep) + DataFileName(f.MachineName, f.CurrentUserName);
}

void TViewerController::RefreshData() {
  if (FPages.empty() || !FPages.front().Collector->LiveData()) return;
  TGuard splash(ShowSplash, HideSplash);
  FSearchText.clear();
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
  ChoosePage();
}

void TViewerController::OpenFile(std::u16string_view fileName) {
  TGuard splash(ShowSplash, HideSplash);
  FFilename = std::u16string(fileName);
  for (auto& page : FPages) page.Collector->LoadFromStorage(FFilename, ZDecompressStream);
  ChoosePage();
}

void TViewerController::ChoosePage() {
  for (size_t p = 0; p < FPages.size(); ++p)
    if (!FPages[p].Collector->Folders().empty()) {
      if (FBarSelection != int(p)) obSelect(int(p));
      break;
    }
  ShowClientPage();
}

void TViewerController::obSelect(int page) {
  FBarSelection = page;
  ShowClientPage();
}

void TViewerController::ShowClientPage() {
  if (FBarSelection < 0 || size_t(FBarSelection) >= FPages.size()) return;
  FCurrentPage = FBarSelection;
  BuildFolderTree();
}

void TViewerController::BuildFolderTree() {
  TVix_EMails& c = CollectorOf(-1);
  FTree.Build(c.Folders(), c.Store(), c.EID() == TEmailClient::ecThunderbird, FContext.Separator());
  FSelected = FTree.ShownNode();
  FillMessageList();
  // The tree reports its new selection once its update ends.
  if (FSelected) FolderTreeChange(FSelected);
}

void TViewerController::FolderTreeChange(const TFolderNode* node) {
  if (!node) return;
  TGuard busy(ShowBusy, HideBusy);
  FSelected = node;
  CollectorOf(-1).SetFolder(node->BoundFolder);
  FillMessageList();
}

void TViewerController::FillMessageList() {
  TVix_EMails& c = CollectorOf(-1);
  const bool filtered = !TrimView(FSearchText).empty();
  FRows.clear();
  for (size_t i = 0; i < c.RecordCount(); ++i)
    if (!filtered || c.Record(i)._Marked) FRows.push_back(int32_t(i));
  SortRows(FRows, [&c](int32_t i) -> const TMessageInfo& { return c.Record(size_t(i)); }, FSort,
           FLocale);
}

void TViewerController::HeaderClick(int column) {
  FSort = kv::HeaderClick(FSort, column);
  TVix_EMails& c = CollectorOf(-1);
  SortRows(FRows, [&c](int32_t i) -> const TMessageInfo& { return c.Record(size_t(i)); }, FSort,
           FLocale);
}

void TViewerController::cmSearch() {
  TGuard busy(ShowBusy, HideBusy);
  const std::u16string trimmed = Trim(FSearchText);
  if (!trimmed.empty()) {
    bool known = false;
    for (const auto& h : FSearchHistory) known = known || SameTextAscii(h, FSearchText);
    if (!known) FSearchHistory.push_back(FSearchText);
    CollectorOf(-1).Search(trimmed);
  }
  FillMessageList();
}

void TViewerController::eSearchKeyUp(int key, bool shift, bool ctrl, bool alt) {
  if (key == 13 && !shift && !ctrl && !alt) cmSearch();
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
