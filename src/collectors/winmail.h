// The Windows Mail collector: one .eml file per message in a tree of folders below the
// "Local Folders" folder of the store root that the user's registry names.
#pragma once

#include "collectors/eml_client.h"

namespace kv {

class TVix_WinMail : public TVix_EMLClient {
 public:
  explicit TVix_WinMail(const TSystemContext& context);

 protected:
  // The store root's "Local Folders".
  std::u16string FolderBelowRoot(const std::u16string& user, const std::u16string& root) override;
};

}  // namespace kv
