// The Mozilla Thunderbird collector: finds a user's profile and its local mail folder
// (thunderbird_store.h), lists every mbox file below that folder as a mail folder, and reads a
// selected mbox file into one record per message (mbox_splitter.h).
#pragma once

#include <string>
#include <string_view>

#include "collectors/mbox_splitter.h"
#include "core/emails.h"
#include "formats/header.h"

namespace kv {

class TVix_Thunderbird : public TVix_EMails {
 public:
  explicit TVix_Thunderbird(const TSystemContext& context);

  // Live mode only. Store is `store` (with a trailing separator) when given, else the profile's
  // mail folder; Folders lists, depth first, every entry below it whose name has no "." — the
  // mbox files and the folders that hold none. Nothing found: an empty list, no error.
  void GetMailboxFolders(std::u16string_view user, std::u16string_view store) override;

 protected:
  // Reads the mbox file Folder from start to end and adds one record per message, then sorts
  // them by date. Throws when the file cannot be opened or read (a listed folder cannot); the
  // records added before the failure stay.
  void ReadFolderMessages() override;
};

// The record of one message cut out of an mbox file: header facts, Size, folder name and client.
void MboxMessageRecord(const TMboxMessage& message, std::u16string_view folderName,
                       TEmailClient client, TEMLHeader& header, TMessageInfo& record);

}  // namespace kv
