// Timing driver: a whole scan as a user runs it, with its peers in the same run. A Thunderbird
// profile under a temporary HOME holds one folder of KOLVANE_BENCH_SCAN_MESSAGES messages
// (default 60,000, about 300 MB), each with an encoded-word subject, every tenth with an
// attachment. Each step runs as its own process, so its time is the wall time of the whole
// command and its memory the process's peak resident size:
//   grep -c '^From '                    the floor: one pass over the file
//   Python's mailbox, five headers      the peer (/usr/bin/python3)
//   kolvane-cli scan                    into a new history file
//   kolvane-cli scan                    again, nothing new
//   kolvane-cli list --format csv       the stored folder
//   kolvane-cli list --sort subject     the same, sorted by the locale's collation
// The memory of each step beyond the process's start (kolvane-cli --version) and the folder's
// text (its records' texts in UTF-16, from an export) is printed per message: the records of a
// folder should cost at most 400 bytes each besides their text.
// Every step runs KOLVANE_BENCH_RUNS times (3); the fastest counts, with its processor time (user
// and system, all threads) beside its wall time. The file is made once into the temporary folder
// and reused. KOLVANE_BENCH_BEFORE names another build's kolvane-cli (an earlier version, say):
// its steps run in the same run on the same folder, and the table shows both.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/eml_builder.h"
#include "support/mbox_builder.h"

namespace {

namespace fs = std::filesystem;
using kv::fixtures::EmlBuilder;

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  const int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : fallback;
}

std::string Message(int i, const std::string& attachment) {
  const std::string n = std::to_string(i);
  const int day = i / 96, hour = i % 96 / 4, minute = i % 4 * 15;
  EmlBuilder eml;
  eml.MozillaStatus(i % 3 ? 0x0001 : 0x0000)
      .MozillaStatus2(0)
      .Field("Return-Path", "<sender" + n + "@example.org>")
      .From("\"Sender " + std::to_string(i % 500) + "\" <sender" + std::to_string(i % 500) +
            "@example.org>")
      .To("Anna Lee <anna@example.org>")
      .Subject(kv::fixtures::EncodedWord("utf-8", "Zpr\xC3\xA1va " + n + " o projektu", 'Q'))
      .Date(kv::fixtures::MailDate(2010 + day / 336, 1 + day % 336 / 28, 1 + day % 28, hour, minute,
                                   0, 60))
      .MessageId("<" + n + ".4711@mail.example.org>")
      .Field("MIME-Version", "1.0");
  std::string body;
  for (int line = 0; body.size() < 2500; ++line)
    body += "Lorem ipsum dolor sit amet, consectetur adipiscing elit, line " +
            std::to_string(line) + "\r\n";
  eml.Body(body);
  if (i % 10 == 0) eml.Attach("data" + n + ".bin", "application/octet-stream", attachment);
  return kv::fixtures::MboxBuilder().Add(eml.Build(), "-", "Wed Dec 09 09:18:00 2026").Build();
}

// HOME with a Thunderbird profile whose Inbox holds the messages.
fs::path MakeHome(int messages) {
  const fs::path home =
      fs::temp_directory_path() / ("kolvane-bench-scan-" + std::to_string(messages));
  const fs::path mail = home / ".thunderbird" / "bench.default" / "Mail" / "Local Folders";
  const fs::path inbox = mail / "Inbox";
  if (fs::exists(inbox) && fs::exists(home / "done")) return home;
  fs::create_directories(mail);
  std::ofstream(home / ".thunderbird" / "profiles.ini")
      << "[Profile0]\nName=default\nIsRelative=1\nPath=bench.default\nDefault=1\n";
  std::ofstream(home / ".thunderbird" / "bench.default" / "prefs.js")
      << "user_pref(\"mail.root.none\", \""
      << (home / ".thunderbird" / "bench.default" / "Mail").string() << "\");\n";
  std::string attachment(16 * 1024, '\0');
  uint32_t x = 4711;
  for (char& c : attachment) c = char((x = x * 1103515245u + 12345u) >> 24);
  std::FILE* out = std::fopen(inbox.c_str(), "wb");
  if (!out) std::abort();
  for (int i = 0; i < messages; ++i) {
    const std::string text = Message(i, attachment);
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) std::abort();
  }
  std::fclose(out);
  std::ofstream(home / "done") << "1\n";
  return home;
}

struct TResult {
  double Seconds = 1e9;
  double CpuSeconds = 0;
  long PeakKB = 0;
};

// Runs the command with HOME set, its output to /dev/null; the fastest of `runs`, and its peak.
TResult Run(const std::vector<std::string>& argv, const fs::path& home, int runs,
            const std::function<void()>& before = {}) {
  TResult best;
  for (int r = 0; r < runs; ++r) {
    if (before) before();
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("HOME", home.c_str(), 1);
      ::setenv("LC_ALL", "en_US.UTF-8", 1);
      // A file, not /dev/null: GNU grep stops at its first match when it writes to /dev/null.
      const int out = ::open((home / "output").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execvp(args[0], args.data());
      ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && argv[0] != std::string("grep"))) {
      std::fprintf(stderr, "%s failed (%d)\n", argv[0].c_str(), status);
      std::exit(1);
    }
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (s < best.Seconds) best = {s, cpu, usage.ru_maxrss};
  }
  return best;
}

// The bytes of the folder's text: the records' texts in UTF-16, as an export gives them.
double FolderTextBytes(const std::string& cli, const std::string& history, const fs::path& home) {
  Run({cli, "export", history, "--format", "jsonl"}, home, 1);
  const std::string command = "/usr/bin/python3 " KOLVANE_BENCH_DIR "/folder_text.py '" +
                              (home / "output").string() + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  char line[64] = {};
  const bool read = pipe && std::fgets(line, sizeof line, pipe);
  if (pipe) ::pclose(pipe);
  return read ? std::atof(line) : 0;
}

}  // namespace

int main() {
  const int messages = EnvInt("KOLVANE_BENCH_SCAN_MESSAGES", 60000);
  const int runs = EnvInt("KOLVANE_BENCH_RUNS", 3);
  const fs::path home = MakeHome(messages);
  const fs::path inbox =
      home / ".thunderbird" / "bench.default" / "Mail" / "Local Folders" / "Inbox";
  const std::string history = (home / "history.qmr").string();
  const double mib = double(fs::file_size(inbox)) / (1 << 20);
  std::printf("folder: %d messages, %.0f MiB (in the page cache after the first step)\n", messages,
              mib);

  const TResult grep = Run({"grep", "-c", "^From ", inbox.string()}, home, runs);
  const TResult python =
      Run({"/usr/bin/python3", KOLVANE_BENCH_DIR "/collectors_mbox_python.py", inbox.string()},
          home, 1);
  auto fresh = [&] {
    fs::remove(history);
    fs::remove(history + "-journal");
  };
  struct TCliSteps {
    TResult Scan, Rescan, List, Sorted;
  };
  auto steps = [&](const std::string& cli) {
    TCliSteps r;
    r.Scan = Run({cli, "scan", "--out", history, "--quiet"}, home, runs, fresh);
    r.Rescan = Run({cli, "scan", "--out", history, "--quiet"}, home, runs);
    r.List = Run({cli, "list", history, "--format", "csv"}, home, runs);
    r.Sorted = Run({cli, "list", history, "--format", "csv", "--sort", "subject"}, home, runs);
    return r;
  };
  // KOLVANE_BENCH_CLI runs another build's kolvane-cli in place of this one.
  const std::string cli =
      std::getenv("KOLVANE_BENCH_CLI") ? std::getenv("KOLVANE_BENCH_CLI") : KOLVANE_CLI;
  const char* before = std::getenv("KOLVANE_BENCH_BEFORE");
  std::printf("kolvane-cli: %s\n", cli.c_str());
  if (before) std::printf("before:      %s\n", before);
  const TCliSteps after = steps(cli);
  const TCliSteps earlier = before ? steps(before) : TCliSteps{};

  const TResult start = Run({cli, "--version"}, home, 1);
  const double text = FolderTextBytes(cli, history, home);
  auto beyond = [&](const TResult& r) {
    return (double(r.PeakKB - start.PeakKB) * 1024 - text) / messages;
  };

  auto row = [&](const char* what, const TResult& r) {
    std::printf("%-36s %6.2f s %6.2f s cpu %6.1fx grep %7.1f MB peak %5.0f B/message\n", what,
                r.Seconds, r.CpuSeconds, r.Seconds / grep.Seconds, double(r.PeakKB) / 1024,
                double(r.PeakKB) * 1024 / messages);
  };
  row("grep -c '^From '", grep);
  row("python mailbox, five headers", python);
  auto table = [&](const char* label, const TCliSteps& r) {
    std::printf("-- %s\n", label);
    row("kolvane-cli scan, new history file", r.Scan);
    row("kolvane-cli scan again, nothing new", r.Rescan);
    row("kolvane-cli list --format csv", r.List);
    row("kolvane-cli list --sort subject", r.Sorted);
    std::printf("scan is %.1fx faster than Python's mailbox; the rescan takes %.2f of the scan\n",
                python.Seconds / r.Scan.Seconds, r.Rescan.Seconds / r.Scan.Seconds);
    std::printf("beyond the start and the text: scan %.0f, rescan %.0f, list %.0f, sorted list "
                "%.0f B/message\n",
                beyond(r.Scan), beyond(r.Rescan), beyond(r.List), beyond(r.Sorted));
  };
  std::printf("process start %.1f MB peak; the folder's text %.1f MB (%.0f B/message)\n",
              double(start.PeakKB) / 1024, text / (1 << 20), text / messages);
  if (before) table("before", earlier);
  table(before ? "after" : "kolvane-cli", after);
  return 0;
}
