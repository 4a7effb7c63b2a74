// Timing driver: a history file of FOLDERS folders of LINES lines (defaults 100 and 10,000,
// environment KOLVANE_BENCH_FOLDERS / KOLVANE_BENCH_LINES); then the append of one folder with
// nothing new and with 10 new records, each KOLVANE_BENCH_RUNS times (7), beside the floor of
// reading and decompressing that folder's stored lines. Peak memory is the highest rise of live
// heap bytes during each step, counted by this program's own operator new.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

#include <atomic>
#include <new>
#include <string>

#include "bench_collector.h"
#include "heap_counter.h"

#include "core/emails.h"
#include "storage/cfb/file_handle.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"
#include "system/fake_platform.h"

using namespace kv;

int main() {
  const int folders = bench::EnvInt("KOLVANE_BENCH_FOLDERS", 100);
  const int lines = bench::EnvInt("KOLVANE_BENCH_LINES", 10000);
  const auto dir = bench::FreshFolder("kolvane-bench-append");
  const std::u16string file = (dir / "BENCH_USER.qmr").u16string();

  TSystemContext context(std::make_unique<TFakePlatform>());
  bench::TBenchCollector c(context, u"OE", TEmailClient::ecOutlookExpress);
  bench::FillHistory(c, file, folders, lines, u"C:\\Store\\Folder", u".dbx");
  const std::u16string target = u"C:\\Store\\Folder" + IntToStr(folders / 2) + u".dbx";
  const std::u16string stream = u"Folder" + IntToStr(folders / 2);

  // Each step runs kRuns times; the fastest run counts (the others met a busy machine).
  const int kRuns = bench::EnvInt("KOLVANE_BENCH_RUNS", 7);
  auto best = [kRuns](auto&& step) { return bench::MeasureBest(kRuns, step); };
  size_t textBytes = 0;
  auto floor = best([&] {
    TStringList stored;
    (void)ReadStorageLines(file, u"OE", stream, ZDecompressStream, stored);
    textBytes = 0;
    for (const auto& l : stored) textBytes += l.size() + 2;
  });
  c.Next = bench::MakeFolder(folders / 2, lines);
  c.SetFolder(target);
  uint64_t flushes = cfb::FlushCount();
  auto nothing = best([&] { c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream); });
  const double nothingFlushes = double(cfb::FlushCount() - flushes) / kRuns;
  int more = 0;
  flushes = cfb::FlushCount();
  std::pair<double, long> ten{1e9, 0};
  for (int i = 0; i < kRuns; ++i) {
    more += 10;
    c.Next = bench::MakeFolder(folders / 2, lines + more);
    c.SetFolder(target);
    auto r =
        bench::Measure([&] { c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream); });
    ten.first = std::min(ten.first, r.first);
    ten.second = std::max(ten.second, r.second);
  }
  const double tenFlushes = double(cfb::FlushCount() - flushes) / kRuns;

  std::printf("history file: %d folders x %d lines, %.1f MB\n", folders, lines,
              double(std::filesystem::file_size(dir / "BENCH_USER.qmr")) / 1e6);
  std::printf("floor (read+inflate one folder): %.3f s, peak +%ld KB, line text %.1f KB\n",
              floor.first, floor.second, double(textBytes) / 1024);
  std::printf(
      "append, nothing new: %.3f s (%.2fx floor), peak +%ld KB (%.2fx line text), %.1f flushes\n",
      nothing.first, nothing.first / floor.first, nothing.second,
      double(nothing.second) * 1024 / double(textBytes), nothingFlushes);
  std::printf(
      "append, 10 new:      %.3f s (%.2fx floor), peak +%ld KB (%.2fx line text), %.1f flushes\n",
      ten.first, ten.first / floor.first, ten.second, double(ten.second) * 1024 / double(textBytes),
      tenFlushes);
  std::filesystem::remove_all(dir);
  return 0;
}
