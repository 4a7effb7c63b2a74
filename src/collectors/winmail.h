// The Windows Mail collector: one .eml file per message in a tree of folders below the
// "Local Folders" folder of the store root that the user's registry names.
#pragma once

#include <string_view>

#include "core/emails.h"

namespace kv {

class TVix_WinMail : public TVix_EMails {
 public:
  explicit TVix_WinMail(const TSystemContext& context);

  // Store := `store` as given or, when empty, the user's "Windows Mail" store root followed by
  // "Local Folders" (no folders when the registry names no store root); Folders := every folder
  // below it at any depth, hidden ones included, a folder before the folders inside it. Stored
  // mode: does nothing.
  void GetMailboxFolders(std::u16string_view user, std::u16string_view store) override;

 protected:
  // Reads the .eml files directly inside the folder (see eml_folder.h), then sorts by date.
  void ReadFolderMessages() override;
};

}  // namespace kv
