// Timing driver: a history file of FOLDERS folders of LINES messages (defaults 100 x 10,000 =
// 1,000,000; environment KOLVANE_BENCH_FOLDERS / KOLVANE_BENCH_LINES) in the Thunderbird storage;
// then `kolvane-cli export` of it as CSV into a discarding stream, beside the floor: reading
// every folder stream and inflating it with zlib alone. Peak memory is the highest rise of live
// heap bytes, counted by this program's own operator new.
#include <malloc.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "base/codepage.h"
#include "cli/cli_app.h"
#include "core/emails.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"
#include "system/fake_platform.h"
#include "system/linux_platform.h"

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

namespace {

using namespace kv;

class TBenchCollector : public TVix_EMails {
 public:
  explicit TBenchCollector(const TSystemContext& c) : TVix_EMails(c) {
    SetStorageFolder(u"Thunderbird");
    SetEID(TEmailClient::ecThunderbird);
  }
  TMessages Next;
  void GetMailboxFolders(std::u16string_view, std::u16string_view) override {}

 protected:
  void ReadFolderMessages() override {
    for (const auto& m : Next) AddRecord(m);
  }
};

struct TNullBuffer : std::streambuf {
  size_t Bytes = 0;
  int overflow(int c) override {
    ++Bytes;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    Bytes += size_t(n);
    return n;
  }
};

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
  auto dir = std::filesystem::temp_directory_path() / "kolvane-bench-export";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::u16string file = (dir / "EXPORT.qmr").u16string();
  {
    TSystemContext context(std::make_unique<TFakePlatform>());
    TBenchCollector c(context);
    for (int f = 0; f < folders; ++f) {
      c.Next.clear();
      for (int i = 0; i < lines; ++i) {
        TMessageInfo r;
        r.ID = u"<" + IntToStr(f) + u"." + IntToStr(i) + u"@mail.example.org>";
        r.Subject = u"Weekly report number " + IntToStr(i) + u", status of the project";
        r.SenderName = u"Ann Example";
        r.SenderEmail = u"ann@example.org";
        r.ReceivedDate = 40000 + i / 100.0;
        r.Received = u"Tue, 1 Jan 2013 12:00:00 +0100";
        r.ReceiverName = u"Bob";
        r.ReceiverEmail = u"bob@example.org";
        r.Size = uint32_t(2000 + i % 500);
        r.Priority = 3;
        c.Next.push_back(std::move(r));
      }
      c.SetFolder(u"C:\\Mail\\Folder" + IntToStr(f));
      c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream);
    }
  }

  size_t inflated = 0;
  auto floor = Measure([&] {
    auto root = OpenStorageFile(file, kModeRead);
    auto storage = root->OpenSubStorage(u"Thunderbird", kModeRead, false);
    std::string out(1 << 16, '\0');
    for (size_t i = 0; i < storage->ElementCount(); ++i) {
      auto s = storage->OpenStream(storage->GetElement(i).Name, kModeRead, false);
      std::string packed = s->ReadRest();
      z_stream z{};
      inflateInit(&z);
      z.next_in = reinterpret_cast<Bytef*>(packed.data());
      z.avail_in = uInt(packed.size());
      int rc;
      do {
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        inflated += out.size() - z.avail_out;
      } while (rc == Z_OK);
      inflateEnd(&z);
    }
  });

  TCliEnvironment env;
  env.LivePlatform = [] { return MakeLinuxPlatform(); };
  env.Locale = "C";
  TNullBuffer sink;
  std::ostream out(&sink);
  std::ostream err(&sink);
  const std::vector<std::string> args{"export", Utf16ToUtf8(file)};
  int status = 0;
  auto exported = Measure([&] { status = RunCli(args, out, err, env); });

  std::printf("history: %d folders x %d messages, %.1f MB file, %.1f MB of line text\n", folders,
              lines, double(std::filesystem::file_size(dir / "EXPORT.qmr")) / 1e6,
              double(inflated) / 1e6);
  std::printf("floor, inflate every folder stream: %.2f s, peak +%ld KB\n", floor.first, floor.second);
  std::printf("export as CSV (status %d, %.1f MB):  %.2f s (%.2fx floor), peak +%ld KB "
              "(%.2fx one folder's text)\n",
              status, double(sink.Bytes) / 1e6, exported.first, exported.first / floor.first,
              exported.second, double(exported.second) * 1024 / (double(inflated) / folders));
  std::filesystem::remove_all(dir);
  return status;
}
