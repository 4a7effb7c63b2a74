#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/new_file.h"

namespace kv {

bool CreateNewFile(const std::filesystem::path& path, bool& exists, std::string& error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  exists = errno == EEXIST;
  error = std::strerror(errno);
  return false;
}

}  // namespace kv
