#include "collectors/oe.h"

#include <algorithm>
#include <optional>

#include "storage/data_file_layout.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/path.h"
#include "system/user_facts.h"

namespace kv {

namespace {}  // namespace

TOEFiles PlatformOEFiles(const TSystemContext& context) {
  IPlatform* platform = &context.Platform();
  TOEFiles files;
  files.Open = [platform](const std::u16string& path) { return platform->OpenRead(path); };
  files.Exists = [platform](const std::u16string& path) {
    std::optional<TFileStatus> status = platform->Status(path);
    return status && (status->Attributes & faDirectory) == 0;
  };
  return files;
}

TVix_OE::TVix_OE(const TSystemContext& context) : TVix_EMails(context) {
  SetClient(TEmailClient::ecOutlookExpress);
}

TVix_OE::~TVix_OE() = default;

void TVix_OE::GetMailboxFolders(std::u16string_view user, std::u16string_view store) {
  if (!LiveData()) return;
  const std::u16string name = UserOrCurrent(user);
  FFolders.clear();
  std::u16string root(store);
  if (root.empty()) {
    // Without an application-data folder this is a lone separator before "Identities", a
    // folder that normally does not exist.
    root = GetUserSpecialFolder(Context(), name, sfLocalAppData) + u"Identities";
  }
  FStore = IncludeTrailingSeparator(root, Context().Separator());
  FindFilePaths(Context(), FStore, u"*.?bx", faAnyFile, FFolders, true, true);
}

void TVix_OE::ReadFolderMessages() {
  // The reader, and with it the open file, goes at the end of the read, also when it fails.
  struct TDropReader {
    std::unique_ptr<TOEReader>& Reader;
    ~TDropReader() { Reader.reset(); }
  } drop{FOE};
  try {
    FOE = CreateOEReader(PlatformOEFiles(Context()), FFolder);
  } catch (const EOEOtherDatabase&) {
    return;  // the folder list and the like: no messages by their kind, nothing failed
  } catch (const EOEReaderException& e) {
    if (e.Message() == kOENoMessages) return;  // an empty folder
    throw;
  }
  const std::u16string folderName = FolderNameFromPath(Context(), FFolder);
  const TRecordStore& messages = FOE->Messages();
  std::u16string receiverEmail, receiverName;
  for (uint32_t i = 0; i < FOE->MessageCount() && i < messages.size(); ++i) {
    TMessageView m = messages[i];
    if (m.Size == 0) continue;
    // Receiver lists are joined with commas, as the other clients' are.
    if (m.ReceiverEmail.find(u';') != std::u16string_view::npos) {
      receiverEmail = m.ReceiverEmail;
      std::replace(receiverEmail.begin(), receiverEmail.end(), u';', u',');
      m.ReceiverEmail = receiverEmail;
    }
    if (m.ReceiverName.find(u';') != std::u16string_view::npos) {
      receiverName = m.ReceiverName;
      std::replace(receiverName.begin(), receiverName.end(), u';', u',');
      m.ReceiverName = receiverName;
    }
    m._Folder = folderName;
    m._Client = EID();
    AddRecord(m);
  }
  SortByDate();
}

}  // namespace kv
