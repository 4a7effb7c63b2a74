#include "cli/export_rows.h"

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/codepage.h"
#include "base/error.h"
#include "cli/export_line.h"
#include "cli/export_row.h"
#include "core/emails.h"
#include "storage/folder_lines.h"
#include "storage/folder_text.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/structured_storage.h"
#include "ui/viewer.h"

namespace kv {

namespace {

// A stored folder as the record path selects it: its collector's client, storage and decoder,
// and its stream's name, which is also the folder's name in the rows.
struct TStoredFolder {
  TEmailClient Client;
  std::u16string Storage;
  std::u16string Name;
  TCodeStreamProcedure Decode;
};

// The folders of every page, in the order the record path walks them.
std::vector<TStoredFolder> StoredFolders(TViewerController& viewer) {
  std::vector<TStoredFolder> folders;
  for (size_t p = 0; p < viewer.PageCount(); ++p) {
    const TVix_EMails& c = viewer.CollectorOf(int(p));
    for (const auto& folder : c.Folders())
      folders.push_back({c.EID(), c.StorageFolder(), folder, c.StreamCodeProc()});
  }
  return folders;
}

// Reads the folders' streams in order, each into one of two texts in turn: the next folder is
// read on a second thread while the caller writes the current one. One read runs at a time, and
// each starts after the previous one has been taken, so the file's objects are only ever used
// by one thread at a time.
class TFolderReader {
 public:
  TFolderReader(std::u16string_view file, const std::vector<TStoredFolder>& folders)
      : FFile(file), FFolders(folders) {}
  ~TFolderReader() {
    if (FPending.valid()) FPending.wait();
  }
  TFolderReader(const TFolderReader&) = delete;
  TFolderReader& operator=(const TFolderReader&) = delete;

  // The text of the next folder, valid until the next call; raises what reading it raised.
  const TFolderText& Next() {
    if (!FPending.valid()) Start(FNext);
    FPending.get();
    const TFolderText& current = FTexts[FNext % 2];
    if (++FNext < FFolders.size()) Start(FNext);
    return current;
  }

 private:
  void Start(size_t index) {
    auto read = [this, index] { Read(FFolders[index], FTexts[index % 2]); };
    try {
      FPending = std::async(std::launch::async, read);
    } catch (const std::system_error&) {  // no thread to be had: read when asked
      FPending = std::async(std::launch::deferred, read);
    }
  }

  // As the collector's load of a stored folder finds its stream: a client storage that cannot
  // be opened, or a missing stream, has no lines.
  void Read(const TStoredFolder& folder, TFolderText& text) {
    text.Clear();
    if (!FRoot) {
      if (!StgIsStorageFile(FFile)) return;
      FRoot = OpenStorageFile(FFile, kModeRead);
    }
    if (!FStorageOpened || FStorageName != folder.Storage) {
      FStorage.reset();
      FStorageName = folder.Storage;
      FStorageOpened = true;
      try {
        FStorage = FRoot->OpenSubStorage(folder.Storage, kModeRead, false);
      } catch (const EKolvaneError&) {
        return;
      }
    }
    if (!FStorage || folder.Name.empty() || !FStorage->ElementExists(folder.Name)) return;
    auto stream = FStorage->OpenStream(folder.Name, kModeRead, false);
    // A damaged stream shows the lines before the damage, as on the record path.
    if (stream) (void)text.Load(*stream, folder.Decode);
  }

  const std::u16string FFile;
  const std::vector<TStoredFolder>& FFolders;
  std::unique_ptr<TStructuredStorage> FRoot;  // before FStorage: a parent outlives its child
  std::unique_ptr<TStructuredStorage> FStorage;
  std::u16string FStorageName;
  bool FStorageOpened = false;
  TFolderText FTexts[2];
  size_t FNext = 0;
  std::future<void> FPending;  // last: a read under way ends before what it uses goes
};

// The rows' bytes on their way to the stream, written out in large pieces.
class TRowBuffer {
 public:
  explicit TRowBuffer(std::ostream& out) : FOut(out) {}
  // Room for `n` bytes; what is held is written out first when the buffer lacks it.
  char* Room(size_t n) {
    if (FData && FCapacity - FUsed >= n) return FData.get() + FUsed;
    Flush();
    if (n > FCapacity) {
      FCapacity = std::max(n, kSize);
      FData = std::make_unique_for_overwrite<char[]>(FCapacity);
    }
    return FData.get();
  }
  // The bytes up to `end` (within the last Room) are held.
  void Commit(char* end) { FUsed = size_t(end - FData.get()); }
  void Flush() {
    if (FUsed == 0) return;
    FOut.write(FData.get(), std::streamsize(FUsed));
    FUsed = 0;
    CheckStream(FOut);
  }

 private:
  static constexpr size_t kSize = 1 << 18;
  std::ostream& FOut;
  std::unique_ptr<char[]> FData;
  size_t FCapacity = 0, FUsed = 0;
};

// A line longer than this goes the record path: the encoder's room for its row would be six
// times its length.
constexpr size_t kLongLine = 1 << 20;

}  // namespace

void ExportRecords(TViewerController& viewer, TRowWriter& writer) {
  std::vector<std::u16string> cells;
  // One folder at a time: memory follows the largest folder, never the whole file.
  viewer.ForEachFolder({}, [&](const TClientPage&, TVix_EMails& c, const std::u16string&) {
    for (const TMessageView r : c.Records()) {
      ExportCells(r, cells);
      writer.WriteRow(cells);
    }
  });
}

void ExportStoredLines(TViewerController& viewer, std::u16string_view file, TOutputFormat format,
                       const TWriterOptions& options, std::ostream& out, TRowWriter& writer) {
  const std::vector<TStoredFolder> folders = StoredFolders(viewer);
  TFolderReader reader(file, folders);
  std::optional<TExportLineEncoder> encoder;
  if (TExportLineEncoder::Writes(format)) encoder.emplace(format, options);
  TRowBuffer buffer(out);
  TExportLineEncoder::TLine line;
  // The record path's steps for one line, with what they reuse.
  TMessageInfo record;
  std::u16string text;
  std::vector<std::u16string> cells;
  auto recordRow = [&](const TStoredFolder& folder, std::string_view bytes, bool utf8) {
    buffer.Flush();  // the writer writes to the stream itself
    StoredLineText(bytes, utf8, text);
    ParseMessageLine(text, record);
    record._Client = folder.Client;
    record._Folder = folder.Name;
    ExportCells(record, cells);
    writer.WriteRow(cells);
  };
  for (const TStoredFolder& folder : folders) {
    const TFolderText& stored = reader.Next();
    const bool utf8 = stored.Utf8();
    if (encoder) encoder->SetFolder(folder.Client, folder.Name);
    for (size_t k = 0; k < stored.BlockCount(); ++k) {
      for (std::string_view rest = stored.Block(k); !rest.empty();) {
        if (!encoder) {
          recordRow(folder, TakeStoredLine(rest), utf8);
          continue;
        }
        encoder->TakeLine(rest, utf8, line);
        if (line.Text.size() <= kLongLine) {
          char* end = encoder->Encode(line, utf8, buffer.Room(encoder->MaxRowBytes(line)));
          if (end) {
            buffer.Commit(end);
            continue;
          }
        }
        recordRow(folder, line.Text, utf8);
      }
    }
    // Every row of the folder is out before the next folder's read can fail.
    buffer.Flush();
  }
}

}  // namespace kv
