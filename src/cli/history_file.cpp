#include "cli/history_file.h"

#include "storage/data_file_layout.h"
#include "storage/storage_file.h"
#include "storage/storage_property_set.h"

namespace kv {

namespace {
constexpr uint32_t kElementStorage = 1;
}  // namespace

bool IsHistoryFile(std::u16string_view path) {
  if (!StgIsStorageFile(path)) return false;
  auto root = OpenStorageFile(path, kModeRead);
  for (std::u16string_view client :
       {kStorageOE, kStorageWinMail, kStorageWinLiveMail, kStorageThunderbird})
    if (root->FindElement(client).Props.Type == kElementStorage) return true;
  auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeRead, false);
  const TPropertyStorage* ps = set ? set->_IPropertyStorage() : nullptr;
  return ps && (ps->ReadByName(u"Username") || ps->ReadByName(u"SIFVersion"));
}

}  // namespace kv
