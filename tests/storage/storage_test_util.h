// Helpers of the storage tests: a scratch folder per test, whole-file reads, and running the
// other readers (olefile, gsf) that check our files.
#pragma once

#include <string>
#include <vector>

namespace kv::test {

class TScratchDir {
 public:
  TScratchDir();
  ~TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  std::string Path(const std::string& name) const { return FDir + "/" + name; }
  std::u16string Path16(const std::string& name) const;

 private:
  std::string FDir;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
uint64_t FileSize(const std::string& path);

#ifndef _WIN32  // the other readers are Linux programs
// Runs a shell command; returns its exit status and fills `output` with its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
bool HaveOlefile();
bool HaveGsf();
#endif

}  // namespace kv::test
