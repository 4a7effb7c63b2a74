// A temporary folder on the host for tests that need real files; removed with its contents.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <fstream>
#include <string>
#include <string_view>

namespace kv::test {

// Runs a shell command and returns what it wrote to standard output.
inline std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

class TTempTree {
 public:
  TTempTree() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kolvane-system-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    FRoot = pattern;
  }
  ~TTempTree() {
    std::error_code ec;
    std::filesystem::remove_all(FRoot, ec);
  }
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  const std::filesystem::path& Root() const { return FRoot; }
  std::string Path(std::string_view relative) const { return (FRoot / relative).string(); }

  // Writes a file (parents created) and returns its host path.
  std::string Write(std::string_view relative, std::string_view contents = {}) const {
    std::filesystem::path p = FRoot / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), std::streamsize(contents.size()));
    return p.string();
  }
  std::string Folder(std::string_view relative) const {
    std::filesystem::path p = FRoot / relative;
    std::filesystem::create_directories(p);
    return p.string();
  }

 private:
  std::filesystem::path FRoot;
};

}  // namespace kv::test
