#include "collectors/winmail.h"

#include "collectors/eml_folder.h"
#include "collectors/store_root.h"
#include "storage/data_file_layout.h"
#include "system/context.h"
#include "system/file_search.h"

namespace kv {

TVix_WinMail::TVix_WinMail(const TSystemContext& context) : TVix_EMails(context) {
  SetClient(TEmailClient::ecWindowsMail);
}

void TVix_WinMail::GetMailboxFolders(std::u16string_view user, std::u16string_view store) {
  if (!LiveData()) return;
  const std::u16string name = UserOrCurrent(user);
  FFolders.clear();
  if (!store.empty()) {
    FStore = std::u16string(store);
  } else {
    const std::u16string root = ReadStoreRoot(Context(), name, u"Windows Mail");
    if (root.empty()) return;
    FStore = root + u"Local Folders";
  }
  FindFilePaths(Context(), FStore, u"*.*", faDirectory, FFolders, true, true);
}

void TVix_WinMail::ReadFolderMessages() {
  ReadEMLFolder(Context(), FFolder, EID(), [this](const TMessageInfo& m) { AddRecord(m); });
  SortByDate();
}

}  // namespace kv
