#include "storage/cfb/file_handle.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"

namespace kv::cfb {
namespace {

std::u16string Quoted(std::u16string_view path) { return u"\"" + std::u16string(path) + u"\""; }

[[noreturn]] void Fail(TStorageStatus status, std::u16string_view path, std::u16string_view what) {
  std::u16string message = Quoted(path) + u": " + std::u16string(what);
  if (errno != 0) message += u" (" + Ascii(std::strerror(errno)) + u")";
  throw EStorageError(status, message);
}

TStorageStatus StatusOfErrno(int error) {
  switch (error) {
    case ENOENT: return TStorageStatus::FileNotFound;
    case ENOTDIR: return TStorageStatus::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return TStorageStatus::AccessDenied;
    case ENOSPC:
    case EDQUOT: return TStorageStatus::MediumFull;
    default: return TStorageStatus::Fail;
  }
}

}  // namespace

TFileHandle::TFileHandle(std::u16string_view path, TMode mode) : FPath(path) {
  std::string native = Utf16ToUtf8(path);
  int flags = O_CLOEXEC;
  if (mode == TMode::Read) flags |= O_RDONLY;
  if (mode == TMode::Write) flags |= O_RDWR | O_CREAT;
  if (mode == TMode::Journal) flags |= O_RDWR | O_CREAT;
  FFd = ::open(native.c_str(), flags, 0666);
  if (FFd < 0) Fail(StatusOfErrno(errno), path, u"cannot open the file");
  struct stat st {};
  if (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(FFd);
    errno = 0;
    Fail(TStorageStatus::AccessDenied, path, u"is not a regular file");
  }
  if (mode == TMode::Journal) return;
  struct flock lock {};
  lock.l_type = mode == TMode::Read ? F_RDLCK : F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(FFd, F_OFD_SETLK, &lock) != 0) {
    int error = errno;
    ::close(FFd);
    errno = 0;
    if (error == EAGAIN || error == EACCES) {
      Fail(TStorageStatus::ShareViolation, path, u"the file is in use by another open");
    }
    errno = error;
    Fail(TStorageStatus::LockViolation, path, u"cannot lock the file");
  }
}

std::unique_ptr<TFileHandle> TFileHandle::InMemory(std::string_view bytes) {
  auto handle = std::make_unique<TFileHandle>(TInMemory{});
  handle->FPath = u"(memory)";
  handle->FFd = ::memfd_create("kolvane-cfb", MFD_CLOEXEC);
  if (handle->FFd < 0)
    Fail(TStorageStatus::InsufficientMemory, handle->FPath, u"cannot hold the bytes");
  handle->WriteAt(0, bytes.data(), bytes.size());
  return handle;
}

TFileHandle::~TFileHandle() {
  if (FFd >= 0) ::close(FFd);  // closing the description releases its lock
}

uint64_t TFileHandle::Size() const {
  struct stat st {};
  if (::fstat(FFd, &st) != 0) Fail(TStorageStatus::ReadFault, FPath, u"cannot read the file size");
  return uint64_t(st.st_size);
}

size_t TFileHandle::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(FFd, static_cast<char*>(buffer) + done, count - done, off_t(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(TStorageStatus::ReadFault, FPath, u"read failed");
    }
    if (n == 0) break;
    done += size_t(n);
  }
  return done;
}

void TFileHandle::WriteAt(uint64_t offset, const void* buffer, size_t count) {
  CallWriteFaultHook();
  size_t done = 0;
  while (done < count) {
    ssize_t n =
        ::pwrite(FFd, static_cast<const char*>(buffer) + done, count - done, off_t(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno == ENOSPC ? TStorageStatus::MediumFull : TStorageStatus::WriteFault, FPath,
           u"write failed");
    }
    done += size_t(n);
  }
}

void TFileHandle::Truncate(uint64_t size) {
  CallWriteFaultHook();
  if (::ftruncate(FFd, off_t(size)) != 0)
    Fail(TStorageStatus::WriteFault, FPath, u"cannot set the file size");
}

void TFileHandle::Sync() {
  CountFlush();
  if (::fdatasync(FFd) != 0) Fail(TStorageStatus::WriteFault, FPath, u"cannot flush the file");
}

bool FileExists(std::u16string_view path) {
  struct stat st {};
  return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0;
}

void SyncParentDirectory(std::u16string_view path) {
  std::string native = Utf16ToUtf8(path);
  size_t slash = native.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // best effort: some file systems do not allow it
  CountFlush();
  ::fsync(fd);
  ::close(fd);
}

}  // namespace kv::cfb
