// The output of a command that writes to a file (--out): the text goes to a new file beside the
// target and replaces the target only when Commit() succeeds, so a failed or interrupted export
// never leaves a half-written file nor destroys the file that was there. Without a commit the
// new file is removed.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace kv {

class TOutputFile {
 public:
  // Raises EKolvaneError when the file cannot be created (missing folder, no permission).
  explicit TOutputFile(std::filesystem::path target);
  ~TOutputFile();
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  std::ostream& Stream() { return FStream; }
  // Flushes, closes and moves the new file over the target; raises EKolvaneError on failure.
  void Commit();

 private:
  std::filesystem::path FTarget;
  std::filesystem::path FTemp;
  std::unique_ptr<char[]> FBuffer;
  std::ofstream FStream;
  bool FCommitted = false;
};

}  // namespace kv
