#include "system/posix_files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/codepage.h"
#include "base/error.h"

namespace kv {
namespace {

// Most names are ASCII: widen them directly, and decode the rest as UTF-8.
void NameToUtf16(const std::string& name, std::u16string& out) {
  for (unsigned char c : name) {
    if (c >= 0x80) {
      out = Utf8ToUtf16(name);
      return;
    }
  }
  out.assign(name.begin(), name.end());
}

class TPosixReadStream final : public TFileReadStream {
 public:
  TPosixReadStream(int fd, uint64_t size, std::u16string name)
      : TFileReadStream(size, std::move(name)), FFd(fd) {}
  ~TPosixReadStream() override { ::close(FFd); }

 protected:
  size_t ReadSome(uint64_t offset, char* buffer, size_t count) override {
    for (;;) {
      const ssize_t n = ::pread(FFd, buffer, count, off_t(offset));
      if (n >= 0) return size_t(n);
      if (errno != EINTR) {
        throw EKolvaneError(u"Cannot read file \"" + Name() + u"\": " +
                            Utf8ToUtf16(strerror(errno)));
      }
    }
  }

 private:
  int FFd;
};

class TPosixFolderListing final : public IFolderListing {
 public:
  explicit TPosixFolderListing(DIR* dir) : FDir(dir) {
    struct stat st;
    if (::fstat(dirfd(FDir), &st) == 0) FId = {uint64_t(st.st_dev) + 1, uint64_t(st.st_ino)};
  }
  ~TPosixFolderListing() override { ::closedir(FDir); }
  TFolderId Id() const override { return FId; }

  bool Next(TDirEntry& entry) override {
    for (;;) {
      errno = 0;
      struct dirent* d = ::readdir(FDir);
      if (!d) return false;
      const char* n = d->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      FName = n;
      FKnownSize = -1;
      bool folder = false;
      if (d->d_type == DT_DIR) {
        folder = true;
      } else if (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
        // Links are followed, like a Windows listing shows a junction's target kind.
        struct stat st;
        if (::fstatat(dirfd(FDir), n, &st, 0) == 0) {
          folder = S_ISDIR(st.st_mode);
          FKnownSize = folder ? 0 : int64_t(st.st_size);
        } else {
          FKnownSize = 0;  // a dangling link: an empty file
        }
      }
      FIsFolder = folder;
      NameToUtf16(FName, entry.Name);
      entry.Attributes = PosixAttributes(folder, FName);
      return true;
    }
  }

  int64_t Size() override {
    if (FIsFolder) return 0;
    if (FKnownSize < 0) {
      struct stat st;
      FKnownSize = ::fstatat(dirfd(FDir), FName.c_str(), &st, 0) == 0 ? int64_t(st.st_size) : 0;
    }
    return FKnownSize;
  }

 private:
  DIR* FDir;
  TFolderId FId;
  std::string FName;
  bool FIsFolder = false;
  int64_t FKnownSize = -1;
};

}  // namespace

uint32_t PosixAttributes(bool isFolder, std::string_view name) {
  uint32_t attr = isFolder ? uint32_t(faDirectory) : 0u;
  if (!name.empty() && name[0] == '.') attr |= faHidden;
  return attr ? attr : faNormal;
}

std::unique_ptr<IReadStream> OpenPosixFile(const std::string& path,
                                           std::u16string_view displayName) {
  std::u16string name(displayName);
  // Non-blocking, so a FIFO in the tree cannot hang the open; it is then refused as not a file.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    throw EKolvaneError(u"Cannot open file \"" + name + u"\": " + Utf8ToUtf16(strerror(errno)));
  }
  struct stat st;
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (!S_ISREG(st.st_mode)) {
    err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  }
  if (err != 0) {
    ::close(fd);
    throw EKolvaneError(u"Cannot open file \"" + name + u"\": " + Utf8ToUtf16(strerror(err)));
  }
  return std::make_unique<TPosixReadStream>(fd, uint64_t(st.st_size), std::move(name));
}

std::unique_ptr<IFolderListing> ListPosixFolder(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return nullptr;
  return std::make_unique<TPosixFolderListing>(dir);
}

std::optional<TFileStatus> PosixStatus(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  bool folder = S_ISDIR(st.st_mode);
  size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string::npos ? std::string_view(path)
                                                     : std::string_view(path).substr(slash + 1);
  return TFileStatus{PosixAttributes(folder, name), folder ? 0 : int64_t(st.st_size)};
}

}  // namespace kv
