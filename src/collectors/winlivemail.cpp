#include "collectors/winlivemail.h"

#include "collectors/eml_folder.h"
#include "collectors/store_root.h"
#include "storage/data_file_layout.h"
#include "system/case_fold.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/path.h"

namespace kv {

namespace {

constexpr std::u16string_view kClientKey = u"Windows Live Mail";

}  // namespace

TVix_WinLiveMail::TVix_WinLiveMail(const TSystemContext& context) : TVix_EMails(context) {
  SetClient(TEmailClient::ecWindowsLiveMail);
}

void TVix_WinLiveMail::GetMailboxFolders(std::u16string_view user, std::u16string_view store) {
  if (!LiveData()) return;
  const std::u16string name = UserOrCurrent(user);
  FFolders.clear();
  if (!store.empty()) {
    FStore = std::u16string(store);
  } else {
    const std::u16string root = ReadStoreRoot(Context(), name, kClientKey);
    if (root.empty()) return;
    FStore = root;
    const std::u16string account = ReadClientText(Context(), name, kClientKey, u"Default Mail Account");
    TStringList accounts;
    FindFilePaths(Context(), FStore, u"*.oeaccount", faAnyFile, accounts, true, true);
    const char16_t sep = Context().Separator();
    for (const std::u16string& file : accounts) {
      if (SameTextFold(ExtractFileName(file, sep), account)) {
        FStore = IncludeTrailingSeparator(ParentFolder(file, sep), sep);
        break;
      }
    }
  }
  FindFilePaths(Context(), FStore, u"*.*", faDirectory, FFolders, true, true);
}

void TVix_WinLiveMail::ReadFolderMessages() {
  ReadEMLFolder(Context(), FFolder, EID(), [this](const TMessageInfo& m) { AddRecord(m); });
  SortByDate();
}

}  // namespace kv
