#include "cli/output_file.h"

#include <random>

#include "base/error.h"
#include "cli/new_file.h"
#include "cli/utf8_path.h"

namespace kv {

namespace {
constexpr size_t kBufferSize = 1 << 20;

std::string Describe(const std::filesystem::path& path, const std::string& reason) {
  return "cannot write " + Utf8OfPath(path) + ": " + reason;
}
}  // namespace

TOutputFile::TOutputFile(std::filesystem::path target)
    : FTarget(std::move(target)), FBuffer(new char[kBufferSize]) {
  // A new name beside the target, created exclusively so that no other file is overwritten.
  std::filesystem::path dir = FTarget.parent_path();
  std::string base = Utf8OfPath(FTarget.filename());
  std::random_device random;
  const std::string tag = std::to_string(random() % 1000000);
  for (int attempt = 0;; ++attempt) {
    FTemp = dir / PathFromUtf8("." + base + ".tmp" + tag + "-" + std::to_string(attempt));
    bool exists = false;
    std::string error;
    if (CreateNewFile(FTemp, exists, error)) break;
    if (!exists || attempt >= 100) throw EKolvaneError(Describe(FTarget, error));
  }
  FStream.rdbuf()->pubsetbuf(FBuffer.get(), kBufferSize);
  FStream.open(FTemp, std::ios::binary | std::ios::trunc);
  if (!FStream) {
    std::error_code ignored;
    std::filesystem::remove(FTemp, ignored);
    throw EKolvaneError(Describe(FTarget, "the file cannot be opened"));
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
  if (FStream.fail()) throw EKolvaneError("cannot write " + Utf8OfPath(FTarget));
  std::error_code error;
  std::filesystem::rename(FTemp, FTarget, error);
  if (error) throw EKolvaneError(Describe(FTarget, error.message()));
  FCommitted = true;
}

}  // namespace kv
