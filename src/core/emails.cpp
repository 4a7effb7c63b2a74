#include "core/emails.h"

#include <utility>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"

namespace kv {

TVix_EMails::TVix_EMails(const TSystemContext& context) : TVix_Component(context) {}

void TVix_EMails::SetClient(TEmailClient id) {
  FEID = id;
  const TMailClient* client = FindMailClient(id);
  FStorageFolder = client ? std::u16string(client->StorageFolder) : std::u16string();
}

std::u16string TVix_EMails::UserOrCurrent(std::u16string_view user) const {
  return user.empty() ? Context().Facts().CurrentUserName : std::u16string(user);
}

TVix_EMails::~TVix_EMails() = default;

void TVix_EMails::Clear(bool preserveFolders) {
  if (!preserveFolders) FFolders.clear();
  FData.clear();
}

TRecordStore TVix_EMails::TakeRecords() {
  TRecordStore taken = std::move(FData);
  FData.clear();
  SetDataAvailable(false);
  return taken;
}

void TVix_EMails::GetRecord(size_t index, TMessageInfo& info) const {
  info = FData.at(index).ToInfo();
}

void TVix_EMails::AddRecord(const TMessageView& info) {
  TMessageView added = info;
  if (FEID != TEmailClient::ecNone) added._Client = FEID;
  added._Marked = false;
  FData.push_back(added);
}

void TVix_EMails::AddRecords(TRecordStore&& records) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (FEID != TEmailClient::ecNone) records.SetClient(i, FEID);
    records.SetMarked(i, false);
  }
  FData.Append(std::move(records));
}

namespace {

// The quicksort over anything that gives a date by position and swaps two positions. Its
// steps, and so the order of equal dates, are the reader's of old: the order the stored
// history files were written in.
template <class Date, class Swap>
void QuickSortByDate(size_t count, Date date, Swap swap) {
  if (count == 0) return;
  // Explicit stack instead of recursion: a folder of a million equal dates must not exhaust it.
  std::vector<std::pair<ptrdiff_t, ptrdiff_t>> ranges{{0, ptrdiff_t(count) - 1}};
  while (!ranges.empty()) {
    auto [l, r] = ranges.back();
    ranges.pop_back();
    ptrdiff_t i = l, j = r;
    const double pivot = date(size_t((l + r) / 2));
    do {
      while (date(size_t(i)) < pivot) ++i;
      while (date(size_t(j)) > pivot) --j;
      if (i <= j) {
        if (i != j) swap(size_t(i), size_t(j));
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

}  // namespace

void SortMessagesByDate(TMessages& records) {
  QuickSortByDate(
      records.size(), [&](size_t i) { return records[i].ReceivedDate; },
      [&](size_t i, size_t j) { std::swap(records[i], records[j]); });
}

void SortMessagesByDate(TRecordStore& records) {
  // Strictly ascending dates: every step finds both sides in place and swaps nothing.
  bool ascending = true;
  for (size_t i = 1; i < records.size() && ascending; ++i)
    ascending = records.Date(i - 1) < records.Date(i);
  if (ascending) return;
  std::vector<std::pair<double, size_t>> keys(records.size());
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = {records.Date(i), i};
  QuickSortByDate(
      keys.size(), [&](size_t i) { return keys[i].first; },
      [&](size_t i, size_t j) { std::swap(keys[i], keys[j]); });
  std::vector<size_t> order(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].second;
  records.Permute(order);
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
  for (size_t i = 0; i < FData.size(); ++i) {
    const TMessageView r = FData[i];
    FData.SetMarked(
        i, !needle.empty() && (AsciiUpper(r.Subject).find(needle) != std::u16string::npos ||
                               AsciiUpper(r.SenderName).find(needle) != std::u16string::npos ||
                               AsciiUpper(r.SenderEmail).find(needle) != std::u16string::npos));
  }
}

void TVix_EMails::GlobalSearch(std::u16string_view text, TMessages& list, bool clear) {
  if (clear) list.clear();
  const TStringList folders = FFolders;  // a stored-mode reload refills the list
  for (const auto& folder : folders) {
    SetFolder(folder);
    Search(text);
    for (const TMessageView r : FData)
      if (r._Marked) list.push_back(r.ToInfo());
  }
}

}  // namespace kv
