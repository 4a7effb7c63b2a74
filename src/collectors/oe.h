// The Outlook Express collector: a user's folder files (.dbx of versions 5 and 6, .mbx of
// version 4) below the "Identities" folder of the local application data, each file one mail
// folder, read through the Outlook Express readers.
#pragma once

#include <memory>
#include <string_view>

#include "core/emails.h"
#include "formats/oe_reader.h"

namespace kv {

class TVix_OE : public TVix_EMails {
 public:
  explicit TVix_OE(const TSystemContext& context);
  ~TVix_OE() override;

  // Lists every "*.?bx" entry below the store, at any depth, in walk order. The store is `store`
  // (a trailing separator added) or, when empty, the user's local application-data folder
  // followed by "Identities". Stored mode: does nothing.
  void GetMailboxFolders(std::u16string_view user, std::u16string_view store) override;

 protected:
  // Reads the folder file: every message of a size above 0, ";" turned into "," in the receiver
  // fields, then the sort by date. A file the readers refuse raises before any record is added.
  void ReadFolderMessages() override;

 private:
  // The reader of the folder being read; it exists only during ReadFolderMessages.
  std::unique_ptr<TOEReader> FOE;
};

// Access to folder files through the context's platform, for the Outlook Express readers.
TOEFiles PlatformOEFiles(const TSystemContext& context);

}  // namespace kv
