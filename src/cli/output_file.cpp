#include "cli/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

#include "base/error.h"

namespace kv {

namespace {
constexpr size_t kBufferSize = 1 << 20;

std::string Describe(const std::filesystem::path& path, int error) {
  return "cannot write " + path.string() + ": " + std::strerror(error);
}
}  // namespace

TOutputFile::TOutputFile(std::filesystem::path target)
    : FTarget(std::move(target)), FBuffer(new char[kBufferSize]) {
  // A new name beside the target, created exclusively so that no other file is overwritten.
  std::filesystem::path dir = FTarget.parent_path();
  std::string base = FTarget.filename().string();
  for (int attempt = 0;; ++attempt) {
    FTemp = dir / ("." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt));
    int fd = ::open(FTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    if (errno != EEXIST || attempt >= 100) throw EKolvaneError(Describe(FTarget, errno));
  }
  FStream.rdbuf()->pubsetbuf(FBuffer.get(), kBufferSize);
  FStream.open(FTemp, std::ios::binary | std::ios::trunc);
  if (!FStream) {
    int error = errno;
    std::error_code ignored;
    std::filesystem::remove(FTemp, ignored);
    throw EKolvaneError(Describe(FTarget, error));
  }
}

TOutputFile::~TOutputFile() {
  if (FCommitted) return;
  FStream.close();
  std::error_code ignored;
  std::filesystem::remove(FTemp, ignored);
}

void TOutputFile::Commit() {
  if (FCommitted) return;
  FStream.flush();
  FStream.close();
  if (FStream.fail()) throw EKolvaneError("cannot write " + FTarget.string());
  std::error_code error;
  std::filesystem::rename(FTemp, FTarget, error);
  if (error) throw EKolvaneError("cannot write " + FTarget.string() + ": " + error.message());
  FCommitted = true;
}

}  // namespace kv
