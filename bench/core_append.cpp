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

#include "bench_collector.h"
#include "heap_counter.h"

#include "core/emails.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"
#include "system/fake_platform.h"

namespace {

using namespace kv;



}  // namespace

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

  size_t textBytes = 0;
  auto floor = bench::Measure([&] {
    TStringList stored;
    (void)ReadStorageLines(file, u"OE", stream, ZDecompressStream, stored);
    for (const auto& l : stored) textBytes += l.size() + 2;
  });
  c.Next = bench::MakeFolder(folders / 2, lines);
  c.SetFolder(target);
  auto nothing = bench::Measure([&] { c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream); });
  c.Next = bench::MakeFolder(folders / 2, lines + 10);
  c.SetFolder(target);
  auto ten = bench::Measure([&] { c.AppendToStorage(file, u"", ZCompressStream, ZDecompressStream); });

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
