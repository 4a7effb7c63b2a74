// Timing driver for the history data file's write path.
//
// Engine: 200 folder streams of 2,000 record lines are written into a new data file, one open
// per folder as a scan's append does (delete the old stream, create it, save the lines through
// the zlib codec, commit), then all of them are rewritten 20 more times.
// Floor: the same lines, encoded and compressed the same way, written to 200 plain files
// (truncated and rewritten on every round), in the same run.
// Also the engine doing each round in one open and one commit, which shows what the two flushes
// per append cost. Prints seconds, MB/s of line text, the share over the floor, file sizes.
// Usage: bench_storage_data_file [folders] [lines] [rewrites]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "core/message.h"
#include "storage/data_file_layout.h"
#include "storage/storage_file.h"
#include "storage/storage_stream.h"
#include "storage/stream_lines.h"
#include "storage/zlib_codec.h"

namespace {

using namespace kv;
using Clock = std::chrono::steady_clock;

TStringList FolderLines(int folder, int count) {
  static const char16_t* const kNames[] = {u"Anna Berger", u"Jo\u00e3o Silva", u"Mike O'Neil",
                                           u"Eva Novak"};
  static const char16_t* const kSubjects[] = {u"Re: invoice", u"Meeting notes for the week",
                                              u"Fwd: photos", u"Your order has shipped",
                                              u"Weekly report"};
  TStringList lines;
  TMessageInfo m;
  for (int i = 0; i < count; ++i) {
    m.Address = uint32_t(folder * 100000 + i * 613);
    m.Index = uint32_t(i);
    m.Flags = i % 3 ? kFlagRead : 0;
    m.DataOffset = uint32_t(i * 4096 + folder);
    m.ID = u"<" + IntToStr(folder) + u"." + IntToStr(i * 7919) + u"@mail.example.com>";
    m.Subject = std::u16string(kSubjects[(i + folder) % 5]) + u" #" + IntToStr(i);
    m.Server = u"imap.example.com";
    m.SenderName = kNames[i % 4];
    m.SenderEmail = u"sender" + IntToStr(i % 97) + u"@example.org";
    m.ReceivedDate = 41000.0 + folder + i / 86.0;
    m.Received = u"from mx" + IntToStr(i % 5) + u".example.org by imap.example.com";
    m.ReceiverName = u"Anna";
    m.ReceiverEmail = u"anna@example.com";
    m.Account = u"Personal";
    m.Size = uint32_t(2000 + (i * 37) % 90000);
    m.Priority = 3;
    lines.push_back(FormatMessageLine(m));
  }
  return lines;
}

void EngineRound(const std::u16string& file, const std::vector<TStringList>& folders) {
  for (size_t i = 0; i < folders.size(); ++i) {
    std::u16string name = EncodeStreamName(u"Folder " + IntToStr(int64_t(i)));
    auto root = OpenStorageFile(file, kModeReadWrite | STGM_CREATE);
    auto oe = root->OpenSubStorage(kStorageOE, kModeReadWrite, true);
    oe->DeleteElement(name);
    auto stream = oe->OpenStream(name, kModeReadWrite, true);
    SaveStreamLines(folders[i], *stream, ZCompressStream);
    stream.reset();
    oe.reset();
    root->Commit();
  }
}

// The same work in one open and one commit per round: the engine without the two flushes per
// append that durability costs.
void BatchedEngineRound(const std::u16string& file, const std::vector<TStringList>& folders) {
  auto root = OpenStorageFile(file, kModeReadWrite | STGM_CREATE);
  auto oe = root->OpenSubStorage(kStorageOE, kModeReadWrite, true);
  for (size_t i = 0; i < folders.size(); ++i) {
    std::u16string name = EncodeStreamName(u"Folder " + IntToStr(int64_t(i)));
    oe->DeleteElement(name);
    auto stream = oe->OpenStream(name, kModeReadWrite, true);
    SaveStreamLines(folders[i], *stream, ZCompressStream);
  }
  oe.reset();
  root->Commit();
}

void FloorRound(const std::string& dir, const std::vector<TStringList>& folders) {
  for (size_t i = 0; i < folders.size(); ++i) {
    TMemoryStream packed;
    SaveStreamLines(folders[i], packed, ZCompressStream);
    std::ofstream out(dir + "/folder" + std::to_string(i) + ".z",
                      std::ios::binary | std::ios::trunc);
    out.write(packed.Bytes().data(), std::streamsize(packed.Bytes().size()));
  }
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  int folderCount = argc > 1 ? std::atoi(argv[1]) : 200;
  int lineCount = argc > 2 ? std::atoi(argv[2]) : 2000;
  int rewrites = argc > 3 ? std::atoi(argv[3]) : 20;
  std::vector<TStringList> folders;
  double textBytes = 0;
  for (int f = 0; f < folderCount; ++f) {
    folders.push_back(FolderLines(f, lineCount));
    for (const auto& line : folders.back()) textBytes += double(line.size() + 2);
  }
  char pattern[] = "/tmp/kv-bench-storage-XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::u16string file = Utf8ToUtf16(dir + "/BENCH_ANNA.qmr");
  int rounds = rewrites + 1;

  // Rounds of the two alternate, so both see the same load on a shared machine.
  double floor = 0, engine = 0, batched = 0;
  uint64_t firstSize = 0;
  std::u16string batchFile = Utf8ToUtf16(dir + "/BATCH_ANNA.qmr");
  for (int r = 0; r < rounds; ++r) {
    auto t = Clock::now();
    FloorRound(dir, folders);
    floor += Seconds(t);
    t = Clock::now();
    EngineRound(file, folders);
    engine += Seconds(t);
    if (r == 0) firstSize = std::filesystem::file_size(dir + "/BENCH_ANNA.qmr");
    t = Clock::now();
    BatchedEngineRound(batchFile, folders);
    batched += Seconds(t);
  }
  uint64_t lastSize = std::filesystem::file_size(dir + "/BENCH_ANNA.qmr");

  double megabytes = textBytes * rounds / 1e6;
  std::printf("%d folders x %d lines, %d writes each; %.1f MB of line text per round\n",
              folderCount, lineCount, rounds, textBytes / 1e6);
  std::printf("floor  (200 plain files): %7.2f s  %7.1f MB/s\n", floor, megabytes / floor);
  std::printf("engine (one data file)  : %7.2f s  %7.1f MB/s  +%.1f%% over the floor\n", engine,
              megabytes / engine, (engine / floor - 1) * 100);
  std::printf("engine, one commit a round: %7.2f s  %7.1f MB/s  +%.1f%% over the floor\n", batched,
              megabytes / batched, (batched / floor - 1) * 100);
  std::printf("data file: %.2f MB after the first write, %.2f MB after %d rewrites (x%.3f)\n",
              firstSize / 1e6, lastSize / 1e6, rewrites, double(lastSize) / double(firstSize));
  std::filesystem::remove_all(dir);
  return 0;
}
