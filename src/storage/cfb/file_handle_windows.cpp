// The open file and its lock on Windows. The lock is LockFileEx over the whole range of
// possible offsets, taken with LOCKFILE_FAIL_IMMEDIATELY so that an open never waits: shared
// for readers, exclusive for a writer. Byte-range locks belong to the handle, so a second open
// in this process is refused like one in another process. The file itself is opened with every
// kind of sharing: the lock, not the share mode, decides who may use it, and the journal of a
// held file can still be read by the holder.
#include <windows.h>

#include <algorithm>

#include "base/error.h"
#include "base/text.h"
#include "base/windows_text.h"
#include "storage/cfb/file_handle.h"

namespace kv::cfb {
namespace {

HANDLE H(intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }

[[noreturn]] void Fail(TStorageStatus status, std::u16string_view path, std::u16string_view what,
                       DWORD error = GetLastError()) {
  std::u16string message = u"\"" + std::u16string(path) + u"\": " + std::u16string(what);
  if (error != 0) message += u" (" + SystemErrorText(error) + u")";
  throw EStorageError(status, message);
}

TStorageStatus StatusOfError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return TStorageStatus::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return TStorageStatus::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return TStorageStatus::AccessDenied;
    case ERROR_SHARING_VIOLATION: return TStorageStatus::ShareViolation;
    case ERROR_LOCK_VIOLATION: return TStorageStatus::LockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return TStorageStatus::MediumFull;
    default: return TStorageStatus::Fail;
  }
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The position of a read or write: positional I/O through an OVERLAPPED on a synchronous handle.
OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = DWORD(offset & 0xFFFFFFFF);
  at.OffsetHigh = DWORD(offset >> 32);
  return at;
}

// Calls go in pieces that a DWORD counts.
DWORD Chunk(size_t remaining) { return DWORD(std::min<size_t>(remaining, 1u << 30)); }

}  // namespace

TFileHandle::TFileHandle(std::u16string_view path, TMode mode) : FPath(path) {
  const DWORD access = mode == TMode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const DWORD disposition = mode == TMode::Read ? OPEN_EXISTING : OPEN_ALWAYS;
  HANDLE h = CreateFileW(LongPath(path).c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    Fail(StatusOfError(error), path, u"cannot open the file", error);
  }
  FFd = reinterpret_cast<intptr_t>(h);
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    FFd = -1;
    Fail(TStorageStatus::AccessDenied, path, u"is not a regular file", 0);
  }
  if (mode == TMode::Journal) return;
  OVERLAPPED whole{};
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
  if (mode == TMode::Write) flags |= LOCKFILE_EXCLUSIVE_LOCK;
  if (!LockFileEx(h, flags, 0, MAXDWORD, MAXDWORD, &whole)) {
    const DWORD error = GetLastError();
    CloseHandle(h);
    FFd = -1;
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ||
        error == ERROR_SHARING_VIOLATION)
      Fail(TStorageStatus::ShareViolation, path, u"the file is in use by another open", 0);
    Fail(TStorageStatus::LockViolation, path, u"cannot lock the file", error);
  }
}

std::unique_ptr<TFileHandle> TFileHandle::InMemory(std::string_view bytes) {
  auto handle = std::make_unique<TFileHandle>(TInMemory{});
  handle->FPath = u"(memory)";
  // A temporary file that the system keeps in memory as far as it can and removes at close.
  wchar_t folder[MAX_PATH + 1] = {}, name[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"kvc", 0, name))
    Fail(TStorageStatus::InsufficientMemory, handle->FPath, u"cannot hold the bytes");
  HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    Fail(TStorageStatus::InsufficientMemory, handle->FPath, u"cannot hold the bytes");
  }
  handle->FFd = reinterpret_cast<intptr_t>(h);
  handle->WriteAt(0, bytes.data(), bytes.size());
  return handle;
}

TFileHandle::~TFileHandle() {
  if (FFd != -1) CloseHandle(H(FFd));  // closing the handle releases its locks
}

uint64_t TFileHandle::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(H(FFd), &size))
    Fail(TStorageStatus::ReadFault, FPath, u"cannot read the file size");
  return uint64_t(size.QuadPart);
}

size_t TFileHandle::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  size_t done = 0;
  while (done < count) {
    OVERLAPPED at = At(offset + done);
    DWORD got = 0;
    if (!ReadFile(H(FFd), static_cast<char*>(buffer) + done, Chunk(count - done), &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      Fail(TStorageStatus::ReadFault, FPath, u"read failed");
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

void TFileHandle::WriteAt(uint64_t offset, const void* buffer, size_t count) {
  CallWriteFaultHook();
  size_t done = 0;
  while (done < count) {
    OVERLAPPED at = At(offset + done);
    DWORD put = 0;
    if (!WriteFile(H(FFd), static_cast<const char*>(buffer) + done, Chunk(count - done), &put,
                   &at) ||
        put == 0) {
      const DWORD error = GetLastError();
      Fail(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? TStorageStatus::MediumFull
                                                                       : TStorageStatus::WriteFault,
           FPath, u"write failed", error);
    }
    done += put;
  }
}

void TFileHandle::Truncate(uint64_t size) {
  CallWriteFaultHook();
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = LONGLONG(size);
  if (!SetFileInformationByHandle(H(FFd), FileEndOfFileInfo, &end, sizeof end))
    Fail(TStorageStatus::WriteFault, FPath, u"cannot set the file size");
}

void TFileHandle::Sync() {
  CountFlush();
  if (!FlushFileBuffers(H(FFd))) Fail(TStorageStatus::WriteFault, FPath, u"cannot flush the file");
}

bool FileExists(std::u16string_view path) {
  return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// NTFS keeps a new file's name in its own metadata journal: there is no folder to flush, and
// FlushFileBuffers on a folder needs rights a user does not have.
void SyncParentDirectory(std::u16string_view) {}

}  // namespace kv::cfb
