// The collection's moves between its records and the history data file.
#include <string>

#include "base/error.h"
#include "base/text.h"
#include "core/append_plan.h"
#include "core/emails.h"
#include "storage/data_file_layout.h"
#include "storage/folder_lines.h"
#include "storage/stream_lines.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/structured_storage.h"
#include "system/file_search.h"

namespace kv {

namespace {

constexpr uint32_t kElementStream = 2;

std::u16string ClientFolderText(std::u16string_view storage, std::u16string_view folder) {
  return u"\"" + std::u16string(storage) + u"\\" + std::u16string(folder) + u"\"";
}

// The records at `indices` as the lines a writer takes one at a time.
TLineSource RecordLines(const TRecordStore& records, std::vector<size_t> indices) {
  TLineSource source;
  source.Count = indices.size();
  for (size_t i : indices) source.FitsCp1252 = source.FitsCp1252 && FitsCp1252(records[i]);
  source.Line = [&records, indices = std::move(indices)](size_t i, std::u16string& line) {
    FormatMessageLine(records[indices[i]], line);
  };
  return source;
}

std::vector<size_t> AllRecords(const TRecordStore& records) {
  std::vector<size_t> all(records.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  return all;
}

// Rewrites one folder stream whole, inside the client's storage of the open file: the kept
// lines (may be none), then the new ones.
void WriteFolderStream(TStructuredStorage& root, std::u16string_view storageFolder,
                       std::u16string_view streamName, const TStoredLines* kept,
                       const TLineSource& more, TCodeStreamProcedure code, bool writeEmpty) {
  auto folder = root.OpenSubStorage(storageFolder, kModeReadWrite, true);
  TStructuredStorage& target = folder ? *folder : root;
  target.DeleteElement(streamName);
  auto stream = target.OpenStream(streamName, kModeReadWrite, true);
  if (!stream)
    throw EStorageError(
        TStorageStatus::WriteFault,
        u"cannot create the stream of folder " + ClientFolderText(storageFolder, streamName));
  if ((kept && !kept->empty()) || more.Count > 0 || writeEmpty)
    SaveStreamLines(kept, more, *stream, code);
}

}  // namespace

std::u16string TVix_EMails::FolderStreamName(std::u16string_view folder) const {
  if (!LiveData()) {
    // A name taken from the file's folder list is already a stream name, dots and all.
    for (const auto& listed : FFolders)
      if (listed == folder) return std::u16string(folder);
  }
  return EncodeStreamName(FolderNameFromPath(Context(), folder));
}

// One exclusive open and one transaction: the stored lines are read, the header written and
// the stream rewritten under the same lock, so another writer can never slip in between the
// read and the rewrite (its lines would be lost), and the file changes whole or not at all.
size_t TVix_EMails::AppendToStorage(std::u16string_view fileName, std::u16string_view comment,
                                    TCodeStreamProcedure code, TCodeStreamProcedure decode) {
  const std::u16string streamName = FolderStreamName(FFolder);
  auto root = OpenStorageFile(fileName, kModeReadWrite | STGM_CREATE);
  auto damaged = [&] {
    return EStorageError(
        TStorageStatus::DocFileCorrupt,
        u"the stored messages of folder " + ClientFolderText(FStorageFolder, streamName) + u" in " +
            std::u16string(fileName) + u" cannot be read whole; the folder is left as it is");
  };
  // A first look at the stored lines as they are decoded: mostly they are the folder's records
  // in their order, each scan having appended the newer ones, so each line is held against the
  // record after the one it last matched, and nothing is kept. Only where that fails, and where
  // new lines are to follow the stored ones, are all stored lines read and held.
  size_t storedCount = 0, matched = 0;
  bool inOrder = true;
  std::u16string text;
  TFolderLineSink sink;
  sink.Line = [&](std::string_view line, bool utf8) {
    ++storedCount;
    if (!inOrder || matched == FData.size()) return;  // records used up: nothing is new
    StoredLineText(line, utf8, text);
    if (StoredLineHolds(text, FData[matched]))
      ++matched;
    else
      inOrder = false;
  };
  sink.Restart = [&] {
    storedCount = matched = 0;
    inOrder = true;
  };
  if (!streamName.empty() &&
      ReadStorageLines(*root, FStorageFolder, streamName, decode, sink) == TLinesResult::lrDamaged)
    throw damaged();
  // In order, the records after the last one matched are new (all of them in a new stream).
  std::vector<size_t> added;
  if (inOrder)
    for (size_t i = matched; i < FData.size(); ++i) added.push_back(i);
  // The stored lines are read whole where the plan must look for each record among them, or
  // where new lines follow them in the rewritten stream.
  TStoredLines lines;
  if (storedCount > 0 && (!inOrder || !added.empty())) {
    if (ReadStorageLines(*root, FStorageFolder, streamName, decode, lines) ==
        TLinesResult::lrDamaged)
      throw damaged();
    if (!inOrder)
      added = RecordsToAppend(
          lines.size(),
          [&lines](size_t k, std::u16string& buffer) { return lines.Text(k, buffer); },
          FData.size(), [this](size_t i) { return FData[i]; });
  }

  WriteHeaderInto(*root, comment, code);
  // A folder without a name has no stream; with nothing new the stream would come out byte
  // for byte the same, so it stays.
  const bool rewrite = !streamName.empty() && (!added.empty() || storedCount == 0);
  const size_t count = added.size();
  if (rewrite)
    WriteFolderStream(*root, FStorageFolder, streamName, &lines,
                      RecordLines(FData, std::move(added)), code, false);
  root->Commit();  // a failure to make it durable is an error, not a quiet rollback
  return rewrite ? count : 0;
}

void TVix_EMails::SaveToStorage(std::u16string_view fileName, std::u16string_view comment,
                                TCodeStreamProcedure code) {
  auto root = OpenStorageFile(fileName, kModeReadWrite | STGM_CREATE);
  WriteHeaderInto(*root, comment, code);
  const std::u16string streamName = FolderStreamName(FFolder);
  if (!streamName.empty()) {
    WriteFolderStream(*root, FStorageFolder, streamName, nullptr,
                      RecordLines(FData, AllRecords(FData)), code, true);
  }
  root->Commit();
}

bool TVix_EMails::LoadFromStorage(std::u16string_view fileNameArg, TCodeStreamProcedure code) {
  const std::u16string fileName(fileNameArg);  // may view the name the base replaces
  const std::u16string folder = FFolder;
  const bool wasListed = !LiveData();
  const TStringList listed = FFolders;
  FData.clear();
  FFolders.clear();
  FStore.clear();
  TVix_Component::LoadFromStorage(fileName, code);
  if (!StgIsStorageFile(fileName)) return true;

  auto root = OpenStorageFile(fileName, kModeRead);
  std::unique_ptr<TStructuredStorage> storage;
  try {
    storage = root->OpenSubStorage(FStorageFolder, kModeRead, false);
  } catch (const EKolvaneError&) {
    return false;
  }
  if (!storage) return false;
  for (size_t i = 0; i < storage->ElementCount(); ++i) {
    const TElement& e = storage->GetElement(i);
    if (e.Props.Type == kElementStream) FFolders.push_back(e.Name);
  }
  SetDataAvailable(!FFolders.empty());
  if (folder.empty()) return false;

  // A folder picked from the file's own list selects its stream as it stands.
  bool isListedName = false;
  if (wasListed)
    for (const auto& name : listed) isListedName = isListedName || name == folder;
  const std::u16string streamName =
      isListedName ? folder : EncodeStreamName(FolderNameFromPath(Context(), folder));
  if (streamName.empty() || !storage->ElementExists(streamName)) return false;
  auto stream = storage->OpenStream(streamName, kModeRead, false);
  if (!stream) return false;
  const std::u16string folderName = isListedName ? folder : FolderNameFromPath(Context(), folder);
  // Each line becomes a record as the stream is decoded: the folder's text is never held whole.
  TMessageInfo r;  // refilled line by line: its strings keep their storage
  std::u16string text;
  TFolderLineSink sink;
  sink.Line = [&](std::string_view line, bool utf8) {
    StoredLineText(line, utf8, text);
    ParseMessageLine(text, r);
    r._Client = FEID;
    r._Folder = folderName;
    FData.push_back(r);
  };
  sink.Restart = [this] { FData.clear(); };
  // A damaged stream shows the lines before the damage; only writers must refuse it.
  (void)ReadFolderLines(*stream, code, sink);
  return false;
}

}  // namespace kv
