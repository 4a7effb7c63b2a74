// FindFiles "*.eml" over a tree of 100,000 files in 5,000 folders, and `find DIR -iname '*.eml'`
// over the same tree: the floor a directory walk can reach. Both run on a warm cache.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/codepage.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/linux_platform.h"

namespace {

constexpr int kTopFolders = 50;
constexpr int kSubFolders = 99;      // 50 + 50 * 99 = 5,000 folders
constexpr int kFilesPerFolder = 20;  // 100,000 files, three in four of them .eml

class TTree {
 public:
  TTree() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kolvane-bench-system-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) abort();
    FRoot = pattern;
    for (int t = 0; t < kTopFolders; ++t) {
      std::filesystem::path top = FRoot / ("Folder" + std::to_string(t));  // NOLINT
      std::filesystem::create_directories(top);
      Fill(top);
      for (int s = 0; s < kSubFolders; ++s) {
        std::filesystem::path sub = top / ("sub" + std::to_string(s) + ".sbd");
        std::filesystem::create_directories(sub);
        Fill(sub);
      }
    }
  }
  ~TTree() {
    std::error_code ec;
    std::filesystem::remove_all(FRoot, ec);
  }
  std::string Root() const { return FRoot.string(); }

 private:
  static void Fill(const std::filesystem::path& folder) {
    for (int i = 0; i < kFilesPerFolder; ++i) {
      std::string name(1, '{');
      name += std::to_string(100000 + i * 7919);
      name += '}';
      name += (i % 4 == 3) ? (i % 8 == 3 ? ".msf" : "") : (i % 2 ? ".EML" : ".eml");
      std::ofstream(folder / name) << "Subject: x\r\n\r\n";
    }
  }
  std::filesystem::path FRoot;
};

TTree& Tree() {
  static TTree tree;
  return tree;
}

void BM_FindFilesEml(benchmark::State& state) {
  kv::TSystemContext ctx(kv::MakeLinuxPlatform());
  std::u16string root = kv::Utf8ToUtf16(Tree().Root());
  size_t found = 0;
  for (auto _ : state) {
    kv::TStringList list;
    benchmark::DoNotOptimize(kv::FindFiles(ctx, root, u"*.eml", 0x1FF, &list, true, true));
    found = list.size();
  }
  state.counters["matches"] = double(found);
}
BENCHMARK(BM_FindFilesEml)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The same walk and list without the total, which costs one status call per match on Linux.
void BM_FindFilePathsEml(benchmark::State& state) {
  kv::TSystemContext ctx(kv::MakeLinuxPlatform());
  std::u16string root = kv::Utf8ToUtf16(Tree().Root());
  size_t found = 0;
  for (auto _ : state) {
    kv::TStringList list;
    kv::FindFilePaths(ctx, root, u"*.eml", 0x1FF, list, true, true);
    found = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["matches"] = double(found);
}
BENCHMARK(BM_FindFilePathsEml)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_FindIname(benchmark::State& state) {
  std::string command = "find '" + Tree().Root() + "' -iname '*.eml' > /dev/null";
  for (auto _ : state) {
    if (::system(command.c_str()) != 0) state.SkipWithError("find failed");
  }
}
BENCHMARK(BM_FindIname)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
