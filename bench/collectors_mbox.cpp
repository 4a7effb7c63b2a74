// Reading a Thunderbird mbox file with the collector, beside, in the same run, the floor of
// reading the file once with plain sequential reads and the peer of Python's mailbox module
// reading each message's Subject, From, To, Date and Message-ID (/usr/bin/python3).
//
// The file holds KOLVANE_BENCH_MBOX_MESSAGES messages (default 2,000, about 20 MB; 100,000 make
// about 1 GB) with text bodies, every tenth with a 40 KB attachment. It is generated once into
// the temporary folder as kolvane-bench-v2-<N>.mbox and reused by later runs
// (KOLVANE_BENCH_MBOX_FILE names another place).
//
// Memory: the counters give the peak resident memory the reading added (page cache aside: the
// file is read, not mapped). "reader_peak_MB" is the reader alone (each record made and
// dropped), which must not grow with the file; "collector_peak_MB" also holds every record of
// the folder, as the collection keeps them, and grows with the number of messages.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"
#include "support/eml_builder.h"
#include "support/mbox_builder.h"
#include "system/context.h"
#include "system/linux_platform.h"

namespace {

namespace fs = std::filesystem;
using kv::fixtures::EmlBuilder;

size_t MessageCount() {
  const char* v = ::getenv("KOLVANE_BENCH_MBOX_MESSAGES");
  const long n = v ? std::atol(v) : 0;
  return n > 0 ? size_t(n) : 2000;
}

uint64_t LineBytes(std::string_view text) {
  uint64_t n = text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    n -= (i > 0 && text[i - 1] == '\r') ? 2 : 1;
  }
  return n;
}

// The mbox file and what it holds: its message count and the bytes of its lines.
struct TMboxFile {
  std::string Path;
  size_t Messages = 0;
  uint64_t Bytes = 0;
  uint64_t LineBytes = 0;
};

std::string MessageText(size_t i, const std::string& attachment) {
  const std::string n = std::to_string(i);
  // Messages arrive in time order, four an hour, as a mailbox fills; every fiftieth came late.
  const size_t slot = i % 50 == 49 ? i - 40 : i;
  const size_t dayIndex = slot / 96;
  const int year = 2010 + int(dayIndex / 336), month = 1 + int(dayIndex % 336 / 28),
            day = 1 + int(dayIndex % 28), hour = int(slot % 96 / 4), minute = int(slot % 4 * 15);
  EmlBuilder eml;
  eml.MozillaStatus(i % 3 ? 0x0001 : 0x0000)
      .MozillaStatus2(i % 10 == 0 ? 0x10000000u : 0)
      .Field("X-Mozilla-Keys", std::string(64, ' '))
      .Field("Return-Path", "<sender" + n + "@example.org>")
      .Field("Received", "from mx" + n +
                             ".example.org (mx.example.org [192.0.2.1])\r\n"
                             " by mail.example.org with ESMTPS id " +
                             n + "; " +
                             kv::fixtures::MailDate(year, month, day, hour, minute, 0, 60))
      .From("\"Sender " + n + "\" <sender" + n + "@example.org>")
      .To("Anna Lee <anna@example.org>, bob@example.org")
      .Subject(i % 3 ? "Quarterly report " + n
                     : kv::fixtures::EncodedWord("utf-8", "Zpr\xC3\xA1va " + n, 'Q'))
      .Date(kv::fixtures::MailDate(year, month, day, hour, minute, 0, 60))
      .MessageId("<" + n + ".4711@mail.example.org>")
      .Field("MIME-Version", "1.0");
  std::string body;
  for (int line = 0; body.size() < 4000; ++line) {
    body += line % 17 == 5 ? "From the desk of the sender, line " + std::to_string(line)
                           : "Lorem ipsum dolor sit amet, consectetur adipiscing elit, line " +
                                 std::to_string(line);
    body += "\r\n";
  }
  eml.Body(body);
  if (i % 10 == 0) eml.Attach("data" + n + ".bin", "application/octet-stream", attachment);
  return eml.Build();
}

TMboxFile MakeFile();

// The file, generated when needed and read once so every benchmark starts on a warm cache.
const TMboxFile& File() {
  static const TMboxFile file = [] {
    TMboxFile f = MakeFile();
    std::vector<char> buffer(kv::kMboxBlockSize);
    std::FILE* in = std::fopen(f.Path.c_str(), "rb");
    while (in && std::fread(buffer.data(), 1, buffer.size(), in) > 0) {}
    if (in) std::fclose(in);
    return f;
  }();
  return file;
}

TMboxFile MakeFile() {
  TMboxFile f;
  f.Messages = MessageCount();
  const char* named = ::getenv("KOLVANE_BENCH_MBOX_FILE");
  f.Path = named ? std::string(named)
                 : (fs::temp_directory_path() /
                    ("kolvane-bench-v2-" + std::to_string(f.Messages) + ".mbox"))
                       .string();
  const std::string facts = f.Path + ".facts";
  if (fs::exists(f.Path) && fs::exists(facts)) {
    std::ifstream in(facts);
    in >> f.Messages >> f.LineBytes;
    f.Bytes = fs::file_size(f.Path);
    return f;
  }
  std::string attachment(40 * 1024, '\0');
  uint32_t x = 4711;
  for (char& c : attachment) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  const std::string part = f.Path + ".part";
  std::FILE* out = std::fopen(part.c_str(), "wb");
  if (!out) std::abort();
  for (size_t i = 0; i < f.Messages; ++i) {
    const std::string text = kv::fixtures::MboxBuilder()
                                 .Add(MessageText(i, attachment), "-", "Wed Dec 09 09:18:00 2026")
                                 .Build();
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) std::abort();
    f.LineBytes += LineBytes(text);
  }
  std::fclose(out);
  std::ofstream(facts) << f.Messages << ' ' << f.LineBytes << '\n';
  fs::rename(part, f.Path);
  f.Bytes = fs::file_size(f.Path);
  return f;
}

// Resident memory in KB from /proc/self/status ("VmRSS:" now, "VmHWM:" the peak).
long StatusKB(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  }
  return -1;
}

// Starts a measurement of the peak: freed heap goes back, the peak is set to the current size.
long StartPeak() {
  ::malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  return StatusKB("VmRSS:");
}

double PeakMB(long startKB) { return double(StatusKB("VmHWM:") - startKB) / 1024.0; }

// The floor: the file read once, front to back, in blocks of the given size (the collector's
// among them).
void BM_SequentialRead(benchmark::State& state) {
  std::vector<char> buffer(size_t(state.range(0)));
  uint64_t total = 0;
  for (auto _ : state) {
    total = 0;
    const int fd = ::open(File().Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    for (;;) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n <= 0) break;
      total += uint64_t(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (total != File().Bytes) state.SkipWithError("short read");
  state.counters["MB"] = double(total) / 1e6;
}

// The reader alone: the file split, each header parsed into a record that is then dropped.
void BM_MboxReader(benchmark::State& state) {
  kv::TSystemContext context(kv::MakeLinuxPlatform());
  size_t messages = 0;
  uint64_t sizes = 0;
  double peak = 0;
  for (auto _ : state) {
    messages = 0;
    sizes = 0;
    const long start = state.iterations() == 0 ? StartPeak() : 0;
    std::unique_ptr<kv::IReadStream> stream =
        context.Platform().OpenRead(kv::Utf8ToUtf16(File().Path));
    kv::TEMLHeader header;
    kv::TMessageInfo record;
    kv::SplitMbox(*stream, [&](const kv::TMboxMessage& m) {
      kv::MboxMessageRecord(m, u"Inbox", kv::TEmailClient::ecThunderbird, header, record);
      ++messages;
      sizes += record.Size;
    });
    if (state.iterations() == 0) peak = PeakMB(start);
  }
  if (messages != File().Messages || sizes != File().LineBytes)
    state.SkipWithError("the reader did not see every message whole");
  state.counters["messages"] = double(messages);
  state.counters["reader_peak_MB"] = peak;
}

// The collector selecting the folder: every record kept and sorted by date.
void BM_ThunderbirdCollector(benchmark::State& state) {
  kv::TSystemContext context(kv::MakeLinuxPlatform());
  const std::u16string path = kv::Utf8ToUtf16(File().Path);
  size_t messages = 0;
  uint64_t sizes = 0;
  double peak = 0;
  for (auto _ : state) {
    auto tb = std::make_unique<kv::TVix_Thunderbird>(context);
    const long start = state.iterations() == 0 ? StartPeak() : 0;
    tb->SetFolder(path);
    // The records stay until the next folder is selected: freeing them is not reading.
    state.PauseTiming();
    if (state.iterations() == 0) peak = PeakMB(start);
    messages = tb->RecordCount();
    sizes = 0;
    for (const kv::TMessageInfo& r : tb->Records()) sizes += r.Size;
    tb.reset();
    state.ResumeTiming();
  }
  if (messages != File().Messages || sizes != File().LineBytes)
    state.SkipWithError("the collector did not see every message whole");
  state.counters["messages"] = double(messages);
  state.counters["collector_peak_MB"] = peak;
}

// The peer: Python's mailbox module, timed from outside (interpreter start included, about
// 20 ms); its own count must agree.
void BM_PythonMailbox(benchmark::State& state) {
  const std::string script = std::string(KOLVANE_BENCH_DIR) + "/collectors_mbox_python.py";
  const std::string command = "/usr/bin/python3 '" + script + "' '" + File().Path + "'";
  size_t messages = 0;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
      state.SkipWithError("cannot run /usr/bin/python3");
      break;
    }
    char out[256] = {};
    const size_t n = std::fread(out, 1, sizeof out - 1, pipe);
    const int rc = ::pclose(pipe);
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    std::istringstream(std::string(out, n)) >> messages;
    if (rc != 0) state.SkipWithError("the Python peer failed");
  }
  if (messages != File().Messages) state.SkipWithError("Python saw another message count");
  state.counters["messages"] = double(messages);
}

BENCHMARK(BM_SequentialRead)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Arg(64 << 10)
    ->Arg(int64_t(kv::kMboxBlockSize))
    ->Arg(1 << 20);
BENCHMARK(BM_MboxReader)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ThunderbirdCollector)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PythonMailbox)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
