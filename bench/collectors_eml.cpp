// ReadEMLFolder over a folder of 20,000 .eml files, each with a 100 KB attachment (about 137 KB
// of base64 text per file), beside the floor of reading each file whole: opening each file and
// reading it into one buffer, with the file list made beforehand and nothing parsed; and beside
// reading each file whole and then parsing it. All run on a warm cache.
//
// The folder (about 2.7 GB) is generated once per run in the temporary folder and removed at
// the end; set KOLVANE_BENCH_EML_DIR to keep and reuse one between runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "collectors/eml_folder.h"
#include "support/eml_builder.h"
#include "system/context.h"
#include "system/linux_platform.h"

namespace {

constexpr int kMessages = 20000;
constexpr size_t kAttachmentBytes = 100 * 1024;

class TEmlFolder {
 public:
  TEmlFolder() {
    if (const char* keep = ::getenv("KOLVANE_BENCH_EML_DIR")) {
      FRoot = keep;
      FKeep = true;
    } else {
      std::string pattern =
          (std::filesystem::temp_directory_path() / "kolvane-bench-eml-XXXXXX").string();
      if (!::mkdtemp(pattern.data())) abort();
      FRoot = pattern;
    }
    const std::filesystem::path done = FRoot / "complete";
    if (!std::filesystem::exists(done)) Generate();
    for (const auto& e : std::filesystem::directory_iterator(FRoot / "Inbox")) {
      FFiles.push_back(e.path().string());
      FBytes += e.file_size();
    }
  }
  ~TEmlFolder() {
    if (FKeep) return;
    std::error_code ec;
    std::filesystem::remove_all(FRoot, ec);
  }
  std::string Folder() const { return (FRoot / "Inbox").string(); }
  const std::vector<std::string>& Files() const { return FFiles; }
  uint64_t Bytes() const { return FBytes; }

 private:
  void Generate() {
    std::filesystem::create_directories(FRoot / "Inbox");
    std::string attachment(kAttachmentBytes, '\0');
    uint32_t x = 12345;
    for (char& c : attachment) {
      x = x * 1103515245u + 12345u;
      c = char(x >> 24);
    }
    for (int i = 0; i < kMessages; ++i) {
      const std::string n = std::to_string(i);
      const std::string text =
          kv::fixtures::EmlBuilder()
              .Field("Received", "from mx" + n + ".example.org by mail.example.org; " +
                                     kv::fixtures::MailDate(2010, 1 + i % 12, 1 + i % 28, i % 24,
                                                            i % 60, 0, 60))
              .From("\"Sender " + n + "\" <sender" + n + "@example.org>")
              .To("Anna <anna@example.org>")
              .Subject(kv::fixtures::EncodedWord("utf-8", "Zpr\xC3\xA1va " + n, 'Q'))
              .Date(kv::fixtures::MailDate(2010, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0, 60))
              .MessageId("<" + n + "@example.org>")
              .Priority("3 (Normal)")
              .Body("Please find the file attached.\r\n")
              .Attach("data" + n + ".bin", "application/octet-stream", attachment)
              .Build();
      const std::filesystem::path p = FRoot / "Inbox" / ("{" + n + "}.eml");
      FILE* f = std::fopen(p.c_str(), "wb");
      if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) abort();
      std::fclose(f);
    }
    std::FILE* f = std::fopen((FRoot / "complete").c_str(), "wb");
    if (f) std::fclose(f);
  }

  std::filesystem::path FRoot;
  bool FKeep = false;
  std::vector<std::string> FFiles;
  uint64_t FBytes = 0;
};

TEmlFolder& Folder() {
  static TEmlFolder folder;
  return folder;
}

void BM_ReadEMLFolder(benchmark::State& state) {
  kv::TSystemContext context(kv::MakeLinuxPlatform());
  const std::u16string folder = kv::Utf8ToUtf16(Folder().Folder());
  size_t records = 0;
  uint64_t sizes = 0;
  for (auto _ : state) {
    records = 0;
    sizes = 0;
    kv::ReadEMLFolder(context, folder, kv::TEmailClient::ecWindowsMail,
                      [&](const kv::TMessageInfo& m) {
                        ++records;
                        sizes += m.Size;
                      });
  }
  if (records != size_t(kMessages) || sizes != Folder().Bytes()) {
    state.SkipWithError("the folder read did not see every message whole");
  }
  state.counters["messages"] = double(records);
  state.counters["GB"] = double(Folder().Bytes()) / 1e9;
}
BENCHMARK(BM_ReadEMLFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor of reading every file whole: open, read into one reused buffer, close.
void BM_ReadEachFileWhole(benchmark::State& state) {
  std::vector<char> buffer(1 << 20);
  uint64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (const std::string& path : Folder().Files()) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) abort();
      for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0) break;
        total += uint64_t(n);
      }
      ::close(fd);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  if (total != Folder().Bytes()) state.SkipWithError("short read");
  state.counters["GB"] = double(total) / 1e9;
}
BENCHMARK(BM_ReadEachFileWhole)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same read of every file whole, each then parsed as the folder reader parses its header
// block: what a reader that takes in the whole file costs.
void BM_ReadEachFileWholeAndParse(benchmark::State& state) {
  std::string bytes;
  kv::TEMLHeader header;
  size_t dated = 0;
  for (auto _ : state) {
    dated = 0;
    for (const std::string& path : Folder().Files()) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) abort();
      bytes.resize(size_t(::lseek(fd, 0, SEEK_END)));
      if (::pread(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) abort();
      ::close(fd);
      kv::ReadEMLHeader(std::string_view(bytes), header);
      const kv::TMessageInfo m = kv::EMLMessageInfo(header, uint32_t(bytes.size()), u"Inbox",
                                                    kv::TEmailClient::ecWindowsMail);
      dated += m.ReceivedDate != 0;
    }
  }
  if (dated != size_t(kMessages)) state.SkipWithError("a message without its date");
}
BENCHMARK(BM_ReadEachFileWholeAndParse)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
