// Timing driver: a history file of FOLDERS folders of LINES messages (defaults 100 x 10,000 =
// 1,000,000; environment KOLVANE_BENCH_FOLDERS / KOLVANE_BENCH_LINES) in the Thunderbird storage;
// then `kolvane-cli export` of it as CSV and as JSON Lines into a discarding stream, beside the
// floor: reading every folder stream and inflating it with zlib alone. Each step runs
// KOLVANE_BENCH_RUNS times (5) and the fastest run counts (the others met a busy machine). Last
// the record path, the export's reference (every folder's records built, cells made of them),
// once, for the figure the line path is measured against. Peak memory is the highest rise of
// live heap bytes in any run, counted by this program's own operator new.
#include <malloc.h>
#include <zlib.h>

#include <algorithm>
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
#include "cli/export_row.h"
#include "cli/export_rows.h"
#include "core/emails.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/structured_storage.h"
#include "storage/zlib_codec.h"
#include "system/fake_platform.h"
#include "system/linux_platform.h"
#include "ui/client_pages.h"
#include "ui/viewer.h"

#include "bench_collector.h"
#include "heap_counter.h"

namespace {

using namespace kv;

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

}  // namespace

int main() {
  const int folders = bench::EnvInt("KOLVANE_BENCH_FOLDERS", 100);
  const int lines = bench::EnvInt("KOLVANE_BENCH_LINES", 10000);
  const auto dir = bench::FreshFolder("kolvane-bench-export");
  const std::u16string file = (dir / "EXPORT.qmr").u16string();
  {
    TSystemContext context(std::make_unique<TFakePlatform>());
    bench::TBenchCollector c(context, u"Thunderbird", TEmailClient::ecThunderbird);
    bench::FillHistory(c, file, folders, lines, u"C:\\Mail\\Folder");
  }

  const int runs = std::max(1, bench::EnvInt("KOLVANE_BENCH_RUNS", 5));
  auto best = [](int n, auto&& step) { return bench::MeasureBest(n, step); };

  size_t inflated = 0;
  auto floor = best(runs, [&] {
    inflated = 0;
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
  int status = 0;
  auto exportAs = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"export", Utf16ToUtf8(file)});
    return best(runs, [&] {
      sink.Bytes = 0;
      status = std::max(status, RunCli(args, out, out, env));
    });
  };
  const auto csv = exportAs({});
  const size_t csvBytes = sink.Bytes;
  const auto jsonl = exportAs({"--format", "jsonl"});
  const size_t jsonlBytes = sink.Bytes;
  const auto records = best(1, [&] {
    sink.Bytes = 0;
    TSystemContext context(MakeLinuxPlatform());
    TViewerController viewer(context, CreateClientPages(context), TLocale::Plain());
    for (size_t p = 0; p < viewer.PageCount(); ++p)
      viewer.CollectorOf(int(p)).LoadFromStorage(file, ZDecompressStream);
    auto writer = MakeRowWriter(TOutputFormat::ofCsv, out, ExportColumns());
    ExportRecords(viewer, *writer);
    writer->Finish();
  });

  const double folderText = double(inflated) / folders;
  std::printf("history: %d folders x %d messages, %.1f MB file, %.1f MB of line text\n", folders,
              lines, double(std::filesystem::file_size(dir / "EXPORT.qmr")) / 1e6,
              double(inflated) / 1e6);
  std::printf("floor, inflate every folder stream: %.2f s, peak +%ld KB\n", floor.first,
              floor.second);
  auto report = [&](const char* what, size_t bytes, std::pair<double, long> r) {
    std::printf("%s (%.1f MB): %.2f s (%.2fx floor), peak +%ld KB (%.2fx one folder's text)\n",
                what, double(bytes) / 1e6, r.first, r.first / floor.first, r.second,
                double(r.second) * 1024 / folderText);
  };
  std::printf("kolvane-cli export, status %d:\n", status);
  report("  CSV        ", csvBytes, csv);
  report("  JSON Lines ", jsonlBytes, jsonl);
  report("record path, CSV", sink.Bytes, records);
  if (!std::getenv("KOLVANE_BENCH_KEEP")) std::filesystem::remove_all(dir);
  return status;
}
