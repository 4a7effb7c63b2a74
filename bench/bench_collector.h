// A collector that serves one folder of synthetic messages from memory, for benchmarks of the
// collection and of what reads history files back.
#pragma once

#include <cstdlib>
#include <filesystem>

#include "core/emails.h"
#include "storage/zlib_codec.h"

namespace bench {

class TBenchCollector : public kv::TVix_EMails {
 public:
  TBenchCollector(const kv::TSystemContext& c, std::u16string storage, kv::TEmailClient client)
      : TVix_EMails(c) {
    SetStorageFolder(std::move(storage));
    SetEID(client);
  }
  kv::TMessages Next;  // what the next folder selection reads
  void GetMailboxFolders(std::u16string_view, std::u16string_view) override {}

 protected:
  void ReadFolderMessages() override {
    for (const auto& m : Next) AddRecord(m);
  }
};

// `count` messages of folder `folder`, dated a hundred a day, alike but for their numbers.
inline kv::TMessages MakeFolder(int folder, int count) {
  using kv::IntToStr;
  kv::TMessages records;
  records.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    kv::TMessageInfo r;
    r.Index = uint32_t(i);
    r.ID = u"<" + IntToStr(folder) + u"." + IntToStr(i) + u"@mail.example.org>";
    r.Subject = u"Weekly report number " + IntToStr(i) + u", status of the project";
    r.SenderName = u"Ann Example";
    r.SenderEmail = u"ann@example.org";
    r.ReceivedDate = 40000 + i / 100.0;
    r.Received = u"Tue, 1 Jan 2013 12:00:00 +0100";
    r.ReceiverName = u"Bob";
    r.ReceiverEmail = u"bob@example.org";
    r.Size = uint32_t(2000 + i % 500);
    r.Priority = 3;
    records.push_back(std::move(r));
  }
  return records;
}

// A whole number from the environment, or `fallback`.
inline int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}

// A fresh, empty folder for one benchmark's files.
inline std::filesystem::path FreshFolder(const char* name) {
  auto dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Appends `folders` folders of `lines` messages each, named "<prefix><n>", through `c`.
inline void FillHistory(TBenchCollector& c, const std::u16string& file, int folders, int lines,
                        const std::u16string& prefix, const std::u16string& suffix = u"") {
  for (int f = 0; f < folders; ++f) {
    c.Next = MakeFolder(f, lines);
    c.SetFolder(prefix + kv::IntToStr(f) + suffix);
    c.AppendToStorage(file, u"", kv::ZCompressStream, kv::ZDecompressStream);
  }
}

}  // namespace bench
