#include "core/memory_collector.h"

#include <unistd.h>

#include <atomic>
#include <string>

namespace kv::test {

TTempDir::TTempDir() {
  static std::atomic<int> counter{0};
  FPath = std::filesystem::temp_directory_path() /
          ("kolvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(FPath);
  std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

}  // namespace kv::test
