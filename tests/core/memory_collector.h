// A collector that serves folders from memory, so the collection's rules are tested without any
// mail client. Folder paths look like a store's ("C:\Store\Inbox.dbx").
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "core/emails.h"
#include "system/context.h"
#include "system/fake_platform.h"

namespace kv::test {

class TMemoryCollector : public TVix_EMails {
 public:
  explicit TMemoryCollector(const TSystemContext& context, std::u16string storageFolder = u"OE",
                            TEmailClient client = TEmailClient::ecOutlookExpress)
      : TVix_EMails(context) {
    SetStorageFolder(std::move(storageFolder));
    SetEID(client);
  }

  // Folder path -> its messages, in the order the store holds them.
  std::map<std::u16string, TMessages> Store;
  // Folders whose read fails after this many messages.
  std::map<std::u16string, size_t> FailAfter;
  int Reads = 0;

  void GetMailboxFolders(std::u16string_view, std::u16string_view) override {
    if (!LiveData()) return;
    FFolders.clear();
    for (const auto& [path, messages] : Store) FFolders.push_back(path);
  }

 protected:
  void ReadFolderMessages() override {
    ++Reads;
    auto it = Store.find(Folder());
    if (it == Store.end()) return;
    auto fail = FailAfter.find(Folder());
    for (size_t i = 0; i < it->second.size(); ++i) {
      if (fail != FailAfter.end() && i == fail->second) throw std::runtime_error("damaged store");
      AddRecord(it->second[i]);
    }
    SortByDate();
  }
};

inline std::unique_ptr<TSystemContext> FakeContext() {
  return std::make_unique<TSystemContext>(std::make_unique<TFakePlatform>());
}

// A fresh, empty temporary folder removed with the object.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  std::filesystem::path Path() const { return FPath; }
  std::u16string File(const std::string& name) const { return (FPath / name).u16string(); }

 private:
  std::filesystem::path FPath;
};

inline TMessageInfo Message(std::u16string id, double date, uint32_t flags = 0) {
  TMessageInfo r;
  r.ID = id;
  r.Subject = u"About " + id;
  r.SenderName = u"Ann";
  r.SenderEmail = u"ann@example.org";
  r.ReceivedDate = date;
  r.Size = 1000 + uint32_t(id.size());
  r.Flags = flags;
  return r;
}

}  // namespace kv::test
