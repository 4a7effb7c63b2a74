#include "sample_manifest.h"

#include <cstdio>
#include <stdexcept>

namespace kv::samples {
namespace {

void Check(const std::string& field) {
  if (field.find_first_of("\t\r\n") != std::string::npos) {
    throw std::runtime_error("manifest field holds a tab or line break: " + field);
  }
}

std::string Row(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    Check(fields[i]);
    if (i) line += '\t';
    line += fields[i];
  }
  return line + "\n";
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return out;
    start = tab + 1;
  }
}

uint32_t Number(const std::string& text, int base, size_t lineNo) {
  try {
    size_t used = 0;
    unsigned long v = std::stoul(text, &used, base);
    if (used == text.size() && v <= 0xFFFFFFFFul) return uint32_t(v);
  } catch (const std::exception&) {}
  throw std::runtime_error("manifest line " + std::to_string(lineNo) + ": not a number: " + text);
}

}  // namespace

std::string UtcStamp(int year, int month, int day, int hour, int minute, int second) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute,
                second);
  return buf;
}

std::string FormatManifest(const TSampleManifest& m) {
  std::string out = std::string(kManifestFirstLine) + "\n" +
                    "# folder\tclient\tpath\tname\tscanned\tmessages\n"
                    "# message\tclient\tpath\tsubject\tsender_name\tsender_email\treceiver_name\t"
                    "receiver_email\tdate\treceived\tid\taccount\tserver\tflags\tpriority\tsize\n";
  for (const TSampleFolder& f : m.Folders) {
    out += Row(
        {"folder", f.Client, f.Path, f.Name, f.Scanned ? "1" : "0", std::to_string(f.Messages)});
  }
  for (const TSampleMessage& x : m.Messages) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%X", unsigned(x.Flags));
    out += Row({"message", x.Client, x.Folder, x.Subject, x.SenderName, x.SenderEmail,
                x.ReceiverName, x.ReceiverEmail, x.Date, x.Received, x.ID, x.Account, x.Server,
                flags, std::to_string(x.Priority), std::to_string(x.Size)});
  }
  return out;
}

TSampleManifest ParseManifest(std::string_view text) {
  TSampleManifest m;
  size_t lineNo = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = SplitTabs(line);
    const std::string where = "manifest line " + std::to_string(lineNo);
    if (f[0] == "folder" && f.size() == 6) {
      if (f[4] != "0" && f[4] != "1") throw std::runtime_error(where + ": scanned is not 0 or 1");
      m.Folders.push_back({f[1], f[2], f[3], f[4] == "1", Number(f[5], 10, lineNo)});
    } else if (f[0] == "message" && f.size() == 16) {
      TSampleMessage x;
      x.Client = f[1];
      x.Folder = f[2];
      x.Subject = f[3];
      x.SenderName = f[4];
      x.SenderEmail = f[5];
      x.ReceiverName = f[6];
      x.ReceiverEmail = f[7];
      x.Date = f[8];
      x.Received = f[9];
      x.ID = f[10];
      x.Account = f[11];
      x.Server = f[12];
      if (f[13].rfind("0x", 0) != 0) throw std::runtime_error(where + ": flags are not 0x...");
      x.Flags = Number(f[13].substr(2), 16, lineNo);
      x.Priority = Number(f[14], 10, lineNo);
      x.Size = Number(f[15], 10, lineNo);
      m.Messages.push_back(std::move(x));
    } else {
      throw std::runtime_error(where + ": not a folder or message row");
    }
  }
  return m;
}

}  // namespace kv::samples
