// The Windows Live Mail collector: like Windows Mail one .eml file per message, in a tree below
// the store root the user's registry names; each account keeps its folders below a folder of
// its own, marked by the account's .oeaccount file, and only the default account's folders are
// collected when its file is found.
#pragma once

#include "collectors/eml_client.h"

namespace kv {

class TVix_WinLiveMail : public TVix_EMLClient {
 public:
  explicit TVix_WinLiveMail(const TSystemContext& context);

 protected:
  // The folder holding the .oeaccount file that the "Default Mail Account" value names (file
  // name compared without regard to case, first in walk order), with a trailing separator;
  // else the store root itself.
  std::u16string FolderBelowRoot(const std::u16string& user, const std::u16string& root) override;
};

}  // namespace kv
