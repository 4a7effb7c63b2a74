#include "core/emails.h"

#include <utility>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"

namespace kv {

TVix_EMails::TVix_EMails(const TSystemContext& context) : TVix_Component(context) {}

TVix_EMails::~TVix_EMails() = default;

void TVix_EMails::Clear(bool preserveFolders) {
  if (!preserveFolders) FFolders.clear();
  FData.clear();
}

void TVix_EMails::GetRecord(size_t index, TMessageInfo& info) const { info = FData.at(index); }

void TVix_EMails::AddRecord(const TMessageInfo& info) { AddRecord(TMessageInfo(info)); }

void TVix_EMails::AddRecord(TMessageInfo&& info) {
  FData.push_back(std::move(info));
  TMessageInfo& added = FData.back();
  if (FEID != TEmailClient::ecNone) added._Client = FEID;
  added._Marked = false;
}

void SortMessagesByDate(TMessages& records) {
  if (records.empty()) return;
  // Explicit stack instead of recursion: a folder of a million equal dates must not exhaust it.
  std::vector<std::pair<ptrdiff_t, ptrdiff_t>> ranges{{0, ptrdiff_t(records.size()) - 1}};
  while (!ranges.empty()) {
    auto [l, r] = ranges.back();
    ranges.pop_back();
    ptrdiff_t i = l, j = r;
    const double pivot = records[size_t((l + r) / 2)].ReceivedDate;
    do {
      while (records[size_t(i)].ReceivedDate < pivot) ++i;
      while (records[size_t(j)].ReceivedDate > pivot) --j;
      if (i <= j) {
        if (i != j) std::swap(records[size_t(i)], records[size_t(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    // Same ranges as the recursive form; the order of equal dates comes out the same because
    // the two ranges are disjoint.
    if (i < r) ranges.emplace_back(i, r);
    if (l < j) ranges.emplace_back(l, j);
  }
}

void TVix_EMails::SortByDate() { SortMessagesByDate(FData); }

void TVix_EMails::SetFolder(std::u16string_view value) {
  FFolder = std::u16string(value);
  FData.clear();
  FReadError.reset();
  if (LiveData()) {
    // A folder that cannot be read keeps the records read before the failure.
    try {
      ReadFolderMessages();
    } catch (const EKolvaneError& e) {
      FReadError = e.Message();
    } catch (const std::exception& e) {
      FReadError = Utf8ToUtf16(e.what());
    } catch (...) {
      FReadError = u"unknown failure";
    }
  } else {
    const std::u16string file = StorageFilename();  // the load replaces the remembered name
    LoadFromStorage(file, StreamCodeProc());
  }
  SetDataAvailable(!FData.empty());
}

void TVix_EMails::Search(std::u16string_view text) {
  const std::u16string needle = AsciiUpper(text);
  for (auto& r : FData) {
    r._Marked = !needle.empty() && (AsciiUpper(r.Subject).find(needle) != std::u16string::npos ||
                                    AsciiUpper(r.SenderName).find(needle) != std::u16string::npos ||
                                    AsciiUpper(r.SenderEmail).find(needle) != std::u16string::npos);
  }
}

void TVix_EMails::GlobalSearch(std::u16string_view text, TMessages& list, bool clear) {
  if (clear) list.clear();
  const TStringList folders = FFolders;  // a stored-mode reload refills the list
  for (const auto& folder : folders) {
    SetFolder(folder);
    Search(text);
    for (const auto& r : FData)
      if (r._Marked) list.push_back(r);
  }
}

}  // namespace kv
