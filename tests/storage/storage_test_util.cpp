#include "storage/storage_test_util.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "base/codepage.h"

namespace kv::test {

TScratchDir::TScratchDir() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kv-storage-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(dir, ec)) {
      FDir = dir.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot make a scratch folder");
}

TScratchDir::~TScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FDir, ignored);
}

std::u16string TScratchDir::Path16(const std::string& name) const {
  return Utf8ToUtf16(Path(name));
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : uint64_t(size);
}

#ifndef _WIN32
int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveOlefile() { return RunCommand("/usr/bin/python3 -c 'import olefile' 2>/dev/null") == 0; }
bool HaveGsf() { return RunCommand("command -v gsf >/dev/null 2>&1") == 0; }

#endif

}  // namespace kv::test
