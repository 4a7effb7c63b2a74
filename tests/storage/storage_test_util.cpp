#include "storage/storage_test_util.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/codepage.h"

namespace kv::test {

TScratchDir::TScratchDir() {
  char pattern[] = "/tmp/kv-storage-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  FDir = pattern;
}

TScratchDir::~TScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FDir, ignored);
}

std::u16string TScratchDir::Path16(const std::string& name) const { return Utf8ToUtf16(Path(name)); }

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
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

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

}  // namespace kv::test
