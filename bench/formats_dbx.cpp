// Listing a .dbx folder of 100,000 messages through a file stream (in parts at the same time, as
// the reader does, and in one part), beside the floor of reading the bytes a listing needs (file
// header, message-info objects, index nodes) with one sequential read, and beside the parts of
// its cost that are not the reader's: reading the whole file (the text blocks too, whose headers
// the listing reads) and filling a record store with the same records, in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/dbx_reader.h"
#include "support/dbx_builder.h"

namespace {

constexpr size_t kMessages = 100000;

// A file read with pread, as the platform layer reads files.
class TPosixReadStream final : public kv::IReadStream {
 public:
  explicit TPosixReadStream(const std::string& path) : FFd(::open(path.c_str(), O_RDONLY)) {
    FSize = FFd < 0 ? 0 : uint64_t(::lseek(FFd, 0, SEEK_END));
  }
  ~TPosixReadStream() override {
    if (FFd >= 0) ::close(FFd);
  }
  uint64_t Size() const override { return FSize; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    size_t done = 0;
    while (done < count) {
      const ssize_t n =
          ::pread(FFd, static_cast<char*>(buffer) + done, count - done, off_t(offset + done));
      if (n <= 0) break;
      done += size_t(n);
    }
    return done;
  }

 private:
  int FFd;
  uint64_t FSize = 0;
};

struct TFolder {
  std::string Path;
  uint32_t IndexEnd = 0;
  size_t Bytes = 0;
};

std::string BenchPath() {
  return (std::filesystem::temp_directory_path() / "kolvane_bench_100k.dbx").string();
}

const TFolder& Folder() {
  static const TFolder folder = [] {
    kv::fixtures::DbxBuilder b;
    for (size_t i = 0; i < kMessages; ++i) {
      kv::fixtures::DbxMessage m;
      m.Subject = "Quarterly report number " + std::to_string(i);
      m.SenderName = "Ann Lee";
      m.SenderEmail = "ann.lee@example.org";
      m.ReceiverName = "Bob Smith";
      m.ReceiverEmail = "bob.smith@example.org";
      m.MessageId = "<" + std::to_string(i) + ".1234@mail.example.org>";
      m.Server = "pop.example.org";
      m.Account = "Example Mail";
      m.Received = kv::fixtures::FileTimeUtc(2010, 1, 1, 0, 0, 0) + uint64_t(i) * 600000000ULL;
      m.Text = "From: Ann Lee <ann.lee@example.org>\r\nSubject: Quarterly report\r\n\r\n" +
               std::string(200, 'x');
      m.BlockSize = 512;
      b.Add(std::move(m));
    }
    const kv::fixtures::DbxFile f = b.Build();
    TFolder out;
    out.Path = BenchPath();
    std::ofstream(out.Path, std::ios::binary)
        .write(f.Bytes.data(), std::streamsize(f.Bytes.size()));
    std::atexit([] { std::filesystem::remove(BenchPath()); });
    out.IndexEnd = f.Layout.IndexEnd;
    out.Bytes = f.Bytes.size();
    return out;
  }();
  return folder;
}

kv::TOEFiles Files() {
  return {[](const std::u16string&) -> std::unique_ptr<kv::IReadStream> {
            return std::make_unique<TPosixReadStream>(Folder().Path);
          },
          [](const std::u16string&) { return false; }};
}

void BM_DbxListing(benchmark::State& state) {
  const TFolder& f = Folder();
  for (auto _ : state) {
    auto reader = kv::CreateOEReader(Files(), u"folder.dbx");
    if (reader->MessageCount() != kMessages) state.SkipWithError("wrong message count");
    benchmark::DoNotOptimize(reader->Messages().size());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * f.IndexEnd);
  state.counters["messages/s"] =
      benchmark::Counter(double(kMessages), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DbxListing)->Unit(benchmark::kMillisecond);

// The same listing in one part, on this thread alone.
void BM_DbxListingOnePart(benchmark::State& state) {
  const TFolder& f = Folder();
  for (auto _ : state) {
    kv::TDBXReader reader(Files());
    reader.SetPartSize(SIZE_MAX);
    reader.LoadFromFile(u"folder.dbx");
    reader.ReadMessages();
    if (reader.Messages().size() != kMessages) state.SkipWithError("wrong message count");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * f.IndexEnd);
  state.counters["messages/s"] =
      benchmark::Counter(double(kMessages), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DbxListingOnePart)->Unit(benchmark::kMillisecond);

// The floor: the header, message-info objects and index nodes in one sequential read.
void BM_DbxFloorOneRead(benchmark::State& state) {
  const TFolder& f = Folder();
  std::string buffer(f.IndexEnd, '\0');
  for (auto _ : state) {
    TPosixReadStream stream(f.Path);
    const size_t n = stream.ReadAt(0, buffer.data(), buffer.size());
    if (n != buffer.size()) state.SkipWithError("short read");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * f.IndexEnd);
}
BENCHMARK(BM_DbxFloorOneRead)->Unit(benchmark::kMillisecond);

// The whole file in one sequential read: the listing reads the headers of the text blocks too,
// which lie between the texts, so it reads about all of the file.
void BM_DbxWholeFileOneRead(benchmark::State& state) {
  const TFolder& f = Folder();
  std::string buffer(f.Bytes, '\0');
  for (auto _ : state) {
    TPosixReadStream stream(f.Path);
    const size_t n = stream.ReadAt(0, buffer.data(), buffer.size());
    if (n != buffer.size()) state.SkipWithError("short read");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.Bytes));
}
BENCHMARK(BM_DbxWholeFileOneRead)->Unit(benchmark::kMillisecond);

// A second floor, of the data model: the same 100,000 records with the same texts, copied from
// records made beforehand, then freed. Whatever reads a folder into TMessageInfo records pays
// this much for their strings.
void BM_DbxRecordsOnly(benchmark::State& state) {
  const kv::TMessages source = kv::CreateOEReader(Files(), u"folder.dbx")->Messages();
  for (auto _ : state) {
    kv::TMessages copy;
    copy.reserve(source.size());
    for (const kv::TMessageInfo& m : source) copy.push_back(m);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_DbxRecordsOnly)->Unit(benchmark::kMillisecond);

// The record store's share of a listing: the same 100,000 records pushed into a fresh store, from
// views into one buffer that holds their texts in record order (the reader pushes views into its
// own buffer of a record's texts).
void BM_DbxStoreOnly(benchmark::State& state) {
  const kv::TMessages source = kv::CreateOEReader(Files(), u"folder.dbx")->Messages();
  constexpr kv::TTextView kv::TMessageView::*kTexts[] = {&kv::TMessageView::ID,
                                                         &kv::TMessageView::Subject,
                                                         &kv::TMessageView::Server,
                                                         &kv::TMessageView::SenderName,
                                                         &kv::TMessageView::SenderEmail,
                                                         &kv::TMessageView::ReceiverName,
                                                         &kv::TMessageView::ReceiverEmail,
                                                         &kv::TMessageView::Account};
  std::u16string texts;
  for (const kv::TMessageInfo& m : source)
    for (auto field : kTexts) texts += kv::TMessageView(m).*field;
  std::vector<kv::TMessageView> views;
  size_t at = 0;
  for (const kv::TMessageInfo& m : source) {
    kv::TMessageView v(m);
    for (auto field : kTexts) {
      const size_t n = (v.*field).size();
      v.*field = std::u16string_view(texts).substr(at, n);
      at += n;
    }
    views.push_back(v);
  }
  for (auto _ : state) {
    kv::TRecordStore store;
    store.reserve(views.size());
    for (const kv::TMessageView& v : views) store.push_back(v);
    benchmark::DoNotOptimize(store.size());
  }
}
BENCHMARK(BM_DbxStoreOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
