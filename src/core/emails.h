// The e-mail collection: a mail client's folders, the current folder and its records, moved
// between the client's live store (read by the collector deriving from this class) and a
// history data file. The append adds to a folder's stored lines every message they lack.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/component.h"
#include "core/message.h"
#include "core/record_store.h"

namespace kv {

class TVix_EMails : public TVix_Component {
 public:
  explicit TVix_EMails(const TSystemContext& context);
  ~TVix_EMails() override;

  // Live mode: clears the folder list, finds the client's store for `user` (empty: the running
  // account) or takes `store`, sets Store and fills Folders. Stored mode: does nothing.
  virtual void GetMailboxFolders(std::u16string_view user, std::u16string_view store) = 0;

  void Clear(bool preserveFolders);
  void GetRecord(size_t index, TMessageInfo& info) const;
  // A record read in place: its texts stay valid until the folder changes.
  TMessageView Record(size_t index) const { return FData.at(index); }
  const TRecordStore& Records() const { return FData; }
  // Hands the current folder's records over, without a copy; the collection then holds none.
  TRecordStore TakeRecords();
  size_t RecordCount() const { return FData.size(); }

  // Selects a folder: live mode reads it from the store (a failure keeps what was read before
  // it, and FolderReadError tells why), stored mode from the remembered data file.
  void SetFolder(std::u16string_view value);
  // Why the last live read of the current folder stopped before the folder's end; nullopt when
  // it was read whole (an empty folder is read whole).
  const std::optional<std::u16string>& FolderReadError() const { return FReadError; }
  const std::u16string& Folder() const { return FFolder; }
  const TStringList& Folders() const { return FFolders; }
  void SetFolders(const TStringList& folders) { FFolders = folders; }

  // Marks the records whose Subject, SenderName or SenderEmail hold `text` (ASCII case folded).
  void Search(std::u16string_view text);
  void GlobalSearch(std::u16string_view text, TMessages& list, bool clear);

  // Adds to the folder's stream every record whose message it does not hold yet; refuses, with
  // an EStorageError naming the client and folder, when the stored lines cannot be read whole.
  // Returns the number of lines added.
  size_t AppendToStorage(std::u16string_view fileName, std::u16string_view comment,
                         TCodeStreamProcedure code, TCodeStreamProcedure decode);
  void SaveToStorage(std::u16string_view fileName, std::u16string_view comment,
                     TCodeStreamProcedure code) override;
  bool LoadFromStorage(std::u16string_view fileName, TCodeStreamProcedure code) override;

  const std::u16string& StorageFolder() const { return FStorageFolder; }
  void SetStorageFolder(std::u16string value) { FStorageFolder = std::move(value); }
  const std::u16string& Store() const { return FStore; }
  void SetStore(std::u16string value) { FStore = std::move(value); }
  TEmailClient EID() const { return FEID; }

  // The stream name of a folder: a listed stream name in stored mode as it stands, a mailbox
  // path through its folder name.
  std::u16string FolderStreamName(std::u16string_view folder) const;

 protected:
  // Reads the current folder from the live store: AddRecord for each message, then SortByDate.
  virtual void ReadFolderMessages() = 0;
  void AddRecord(const TMessageView& info);
  // AddRecord for every record of `records`, which is left empty; their texts are taken over.
  void AddRecords(TRecordStore&& records);
  void SortByDate();
  void SetEID(TEmailClient id) { FEID = id; }
  // The client and its storage folder in the history file, from the client table.
  void SetClient(TEmailClient id);
  // `user`, or the running account's name when it is empty.
  std::u16string UserOrCurrent(std::u16string_view user) const;

  TRecordStore FData;
  TStringList FFolders;
  std::u16string FFolder;
  TEmailClient FEID = TEmailClient::ecNone;
  std::u16string FStorageFolder;
  std::u16string FStore;
  std::optional<std::u16string> FReadError;
};

// The in-place quicksort on ReceivedDate, ascending; equal dates end in the order its steps
// leave them. It is not a stable sort on purpose: its order of equal dates is the order in
// which the history files already stored were written, and a different one would write the
// same messages of a folder in another line order than before.
void SortMessagesByDate(TMessages& records);
// The same order for a folder's store: the sort runs on the dates alone, and the records are
// moved once. A folder already in strictly ascending order (as a mailbox usually is) is left
// as it is, which is what the sort would leave.
void SortMessagesByDate(TRecordStore& records);

}  // namespace kv
