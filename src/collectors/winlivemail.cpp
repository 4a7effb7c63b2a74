#include "collectors/winlivemail.h"

#include "collectors/store_root.h"
#include "system/case_fold.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/path.h"

namespace kv {

TVix_WinLiveMail::TVix_WinLiveMail(const TSystemContext& context)
    : TVix_EMLClient(context, TEmailClient::ecWindowsLiveMail, u"Windows Live Mail") {}

std::u16string TVix_WinLiveMail::FolderBelowRoot(const std::u16string& user,
                                                 const std::u16string& root) {
  const std::u16string account =
      ReadClientText(Context(), user, ClientKey(), u"Default Mail Account");
  TStringList accounts;
  FindFilePaths(Context(), root, u"*.oeaccount", faAnyFile, accounts, true, true);
  const char16_t sep = Context().Separator();
  for (const std::u16string& file : accounts) {
    if (SameTextFold(ExtractFileName(file, sep), account)) {
      return IncludeTrailingSeparator(ParentFolder(file, sep), sep);
    }
  }
  return root;
}

}  // namespace kv
