// The base of the two clients that keep one .eml file per message in a tree of folders below a
// store root that the user's registry names: Windows Mail and Windows Live Mail. They differ
// only in where below the store root their folders begin.
#pragma once

#include <string>
#include <string_view>

#include "core/emails.h"

namespace kv {

class TVix_EMLClient : public TVix_EMails {
 public:
  // Store := `store` as given or, when empty, FolderBelowRoot of the store root that the
  // client's registry key names for `user` (no folders when it names none); Folders := every
  // folder below Store at any depth, hidden ones included, a folder before the folders inside
  // it. Stored mode: does nothing.
  void GetMailboxFolders(std::u16string_view user, std::u16string_view store) override;

 protected:
  // `clientKey`: the client's key name below the registry's Microsoft key ("Windows Mail").
  TVix_EMLClient(const TSystemContext& context, TEmailClient client, std::u16string_view clientKey);
  std::u16string_view ClientKey() const { return FClientKey; }
  // Where the client's folders begin below `root`, the store root of `user`.
  virtual std::u16string FolderBelowRoot(const std::u16string& user,
                                         const std::u16string& root) = 0;
  // Reads the .eml files directly inside the folder (see eml_folder.h), then sorts by date.
  void ReadFolderMessages() override;

 private:
  std::u16string_view FClientKey;
};

}  // namespace kv
