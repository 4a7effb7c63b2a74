// The Windows Live Mail collector: like Windows Mail one .eml file per message, in a tree below
// the store root the user's registry names; each account keeps its folders below a folder of
// its own, marked by the account's .oeaccount file, and only the default account's folders are
// collected when its file is found.
#pragma once

#include <string_view>

#include "core/emails.h"

namespace kv {

class TVix_WinLiveMail : public TVix_EMails {
 public:
  explicit TVix_WinLiveMail(const TSystemContext& context);

  // Store := `store` as given or, when empty, the folder holding the .oeaccount file that the
  // "Default Mail Account" value names (file name compared without regard to case, first in
  // walk order), else the store root itself, with a trailing separator; no folders when the
  // registry names no store root. Folders := every folder below Store at any depth, a folder
  // before the folders inside it. Stored mode: does nothing.
  void GetMailboxFolders(std::u16string_view user, std::u16string_view store) override;

 protected:
  // Reads the .eml files directly inside the folder (see eml_folder.h), then sorts by date.
  void ReadFolderMessages() override;
};

}  // namespace kv
