#include "collectors/thunderbird.h"

#include <limits>
#include <memory>
#include <optional>

#include "base/error.h"
#include "collectors/mbox_reader.h"
#include "collectors/thunderbird_store.h"
#include "formats/address.h"
#include "formats/maildate.h"
#include "storage/data_file_layout.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/path.h"

namespace kv {

TVix_Thunderbird::TVix_Thunderbird(const TSystemContext& context) : TVix_EMails(context) {
  SetClient(TEmailClient::ecThunderbird);
}

void TVix_Thunderbird::GetMailboxFolders(std::u16string_view user, std::u16string_view store) {
  if (!LiveData()) return;
  const char16_t sep = Context().Separator();
  FFolders.clear();
  if (!store.empty()) {
    FStore = IncludeTrailingSeparator(store, sep);
  } else {
    std::u16string found;
    const bool usable = FindThunderbirdStore(Context(), user, found);
    if (!found.empty()) FStore = found;  // the last folder tried, also when it did not exist
    if (!usable) return;
  }
  // Mbox files have no extension; index files (.msf) and the ".sbd" folders that hold
  // subfolders have one, and the walk descends into those folders all the same.
  FindFiles(Context(), FStore, u"*.", faAnyFile, &FFolders, true, true);
}

void MboxMessageRecord(const TMboxMessage& message, std::u16string_view folderName,
                       TEmailClient client, TEMLHeader& header, TMessageInfo& record) {
  // Every field is set anew; the texts keep their storage, so a record reused message after
  // message costs no allocation of its own.
  record.Address = 0;
  record.Index = 0;
  record.Flags = 0;
  record.DataOffset = 0;
  record.Server.clear();
  record.Account.clear();
  record._Marked = false;
  record._Checked = false;
  header.Timestamp = 0;  // the parser writes it only when the header has a date
  ReadEMLHeader(message.Header, header, THeaderScope::hsRecord);
  record.Size = message.Size > std::numeric_limits<uint32_t>::max()
                    ? std::numeric_limits<uint32_t>::max()
                    : static_cast<uint32_t>(message.Size);
  SplitAddress(header.From, record.SenderName, record.SenderEmail);
  record.ID = header.MessageId;
  record.Priority = header.Priority;
  record.Subject = header.Subject;
  record.Received = header.Date;
  record.ReceivedDate = header.Timestamp;
  SplitAddress(header.SendTo, record.ReceiverName, record.ReceiverEmail);
  for (std::u16string* text : {&record.ReceiverName, &record.ReceiverEmail})
    for (char16_t& c : *text)
      if (c == u';') c = u',';
  record._Folder.assign(folderName);
  record._Client = client;
  if (header.Attachments) record.Flags |= kFlagAttachment;
  if (header.Read) record.Flags |= kFlagRead;
}

void TVix_Thunderbird::ReadFolderMessages() {
  if (!LiveData()) return;
  IPlatform& platform = Context().Platform();
  // A listed folder (such as "Local Folders") holds no messages of its own: it reads as an
  // empty folder (on Linux it could be opened, but reading it would fail).
  const std::optional<TFileStatus> status = platform.Status(FFolder);
  if (status && (status->Attributes & faDirectory)) return;
  const std::u16string folderName = FolderNameFromPath(Context(), FFolder);
  TRecordStore records;
  try {
    ReadMboxRecords([&] { return platform.OpenRead(FFolder); }, folderName, FEID, records);
  } catch (...) {
    AddRecords(std::move(records));  // what was read before the failure stays
    throw;
  }
  AddRecords(std::move(records));
  SortByDate();
}

}  // namespace kv
