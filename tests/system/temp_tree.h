// A temporary folder on the host for tests that need real files; removed with its contents.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <fstream>
#include <string>
#include <string_view>

namespace kv::test {

#ifndef _WIN32
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
#endif

class TTempTree {
 public:
  TTempTree() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && FRoot.empty(); ++attempt) {
      std::filesystem::path dir =
          std::filesystem::temp_directory_path() / ("kolvane-system-" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(dir, ec)) FRoot = dir;
    }
    if (FRoot.empty()) throw std::runtime_error("cannot make a temporary folder");
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
