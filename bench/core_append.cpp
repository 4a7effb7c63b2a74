// Timing driver: a history file of FOLDERS folders of LINES lines (defaults 100 and 10,000,
// environment KOLVANE_BENCH_FOLDERS / KOLVANE_BENCH_LINES); then the append of one folder with
// nothing new and with 10 new records, beside the floor of reading and decompressing that
// folder's stored lines. Peak memory is the highest rise of live heap bytes during each step,
// counted by this program's own operator new.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

#include <atomic>
#include <new>
#include <string>

// Live heap bytes and their high-water mark.
static std::atomic<long> gLive{0}, gPeak{0};
void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  long now = gLive += long(malloc_usable_size(p));
  long peak = gPeak.load();
  while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (p) gLive -= long(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

#include "core/emails.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"
#include "system/fake_platform.h"

namespace {

using namespace kv;

class TBenchCollector : public TVix_EMails {
 public:
  explicit TBenchCollector(const TSystemContext& c) : TVix_EMails(c) {
    SetStorageFolder(u"OE");
    SetEID(TEmailClient::ecOutlookExpress);
  }
  TMessages Next;
  void GetMailboxFolders(std::u16string_view, std::u16string_view) override {}

 protected:
  void ReadFolderMessages() override {
    for (const auto& m : Next) AddRecord(m);
  }
};

TMessages MakeFolder(int folder, int lines, int extra) {
  TMessages records;
  for (int i = 0; i < lines + extra; ++i) {
    TMessageInfo r;
    r.Index = uint32_t(i);
    r.ID = u"<" + IntToStr(folder) + u"." + IntToStr(i) + u"@mail.example.org>";
    r.Subject = u"Weekly report number " + IntToStr(i) + u" about the project status";
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


template <class F>
std::pair<double, long> Measure(F&& f) {
  const long base = gLive.load();
  gPeak = base;
  auto t0 = std::chrono::steady_clock::now();
  f();
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return {s, (gPeak.load() - base) / 1024};
}

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}

}  // namespace

int main() {
  const int folders = EnvInt("KOLVANE_BENCH_FOLDERS", 100);
  const int lines = EnvInt("KOLVANE_BENCH_LINES", 10000);
  auto dir = std::filesystem::temp_directory_path() / "kolvane-bench-append";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::u16string file = (dir / "BENCH_USER.qmr").u16string();

  TSystemContext context(std::make_unique<TFakePlatform>());
  TBenchCollector c(context);
  for (int f = 0; f < folders; ++f) {
    c.Next = MakeFolder(f, lines, 0);
    c.SetFolder(u"C:\\Store\\Folder" + IntToStr(f) + u".dbx");
    c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
  }
  const std::u16string target = u"C:\\Store\\Folder" + IntToStr(folders / 2) + u".dbx";
  const std::u16string stream = u"Folder" + IntToStr(folders / 2);

  size_t textBytes = 0;
  auto floor = Measure([&] {
    TStringList stored;
    (void)ReadStorageLines(file, u"OE", stream, ZDecompressStream, stored);
    for (const auto& l : stored) textBytes += l.size() + 2;
  });
  c.Next = MakeFolder(folders / 2, lines, 0);
  c.SetFolder(target);
  auto nothing = Measure([&] { c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream); });
  c.Next = MakeFolder(folders / 2, lines, 10);
  c.SetFolder(target);
  auto ten = Measure([&] { c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream); });

  std::printf("history file: %d folders x %d lines, %.1f MB\n", folders, lines,
              double(std::filesystem::file_size(dir / "BENCH_USER.qmr")) / 1e6);
  std::printf("floor (read+inflate one folder): %.3f s, peak +%ld KB, line text %.1f KB\n",
              floor.first, floor.second, double(textBytes) / 1024);
  std::printf("append, nothing new: %.3f s (%.2fx floor), peak +%ld KB (%.2fx line text)\n",
              nothing.first, nothing.first / floor.first, nothing.second,
              double(nothing.second) * 1024 / double(textBytes));
  std::printf("append, 10 new:      %.3f s (%.2fx floor), peak +%ld KB (%.2fx line text)\n",
              ten.first, ten.first / floor.first, ten.second,
              double(ten.second) * 1024 / double(textBytes));
  std::filesystem::remove_all(dir);
  return 0;
}
