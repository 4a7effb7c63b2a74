#include "collectors/eml_client.h"

#include "collectors/eml_folder.h"
#include "collectors/store_root.h"
#include "system/context.h"
#include "system/file_search.h"

namespace kv {

TVix_EMLClient::TVix_EMLClient(const TSystemContext& context, TEmailClient client,
                               std::u16string_view clientKey)
    : TVix_EMails(context), FClientKey(clientKey) {
  SetClient(client);
}

void TVix_EMLClient::GetMailboxFolders(std::u16string_view user, std::u16string_view store) {
  if (!LiveData()) return;
  FFolders.clear();
  if (store.empty()) {
    const std::u16string name = UserOrCurrent(user);
    const std::u16string root = ReadStoreRoot(Context(), name, FClientKey);
    if (root.empty()) return;
    FStore = FolderBelowRoot(name, root);
  } else {
    FStore = std::u16string(store);
  }
  FindFilePaths(Context(), FStore, u"*.*", faDirectory, FFolders, true, true);
}

void TVix_EMLClient::ReadFolderMessages() {
  ReadEMLFolder(Context(), FFolder, EID(), [this](const TMessageInfo& m) { AddRecord(m); });
  SortByDate();
}

}  // namespace kv
