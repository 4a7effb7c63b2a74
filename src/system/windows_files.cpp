#include "system/windows_files.h"

#include <windows.h>

#include <algorithm>

#include "base/error.h"
#include "base/windows_text.h"

namespace kv {
namespace {

constexpr uint32_t kStandardBits = 0x1FF;

[[noreturn]] void FailOpen(std::u16string_view path, DWORD error) {
  throw EKolvaneError(u"Cannot open file \"" + std::u16string(path) + u"\": " +
                      SystemErrorText(error));
}

class THandle {
 public:
  explicit THandle(HANDLE h = INVALID_HANDLE_VALUE) : FHandle(h) {}
  ~THandle() {
    if (Valid()) CloseHandle(FHandle);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

class TWindowsReadStream final : public TFileReadStream {
 public:
  TWindowsReadStream(HANDLE h, uint64_t size, std::u16string name)
      : TFileReadStream(size, std::move(name)), FHandle(h) {}

 protected:
  size_t ReadSome(uint64_t offset, char* buffer, size_t count) override {
    OVERLAPPED at{};
    at.Offset = DWORD(offset & 0xFFFFFFFF);
    at.OffsetHigh = DWORD(offset >> 32);
    const DWORD chunk = DWORD(std::min<size_t>(count, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(FHandle.Get(), buffer, chunk, &got, &at)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) return 0;
      throw EKolvaneError(u"Cannot read file \"" + Name() + u"\": " + SystemErrorText(error));
    }
    return got;
  }

 private:
  THandle FHandle;
};

TFolderId FolderIdOf(const std::wstring& longPath) {
  THandle h(CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.Valid() || !GetFileInformationByHandle(h.Get(), &info)) return {};
  return {uint64_t(info.dwVolumeSerialNumber) + 1,
          (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

class TWindowsFolderListing final : public IFolderListing {
 public:
  TWindowsFolderListing(HANDLE find, const WIN32_FIND_DATAW& first, TFolderId id)
      : FFind(find), FData(first), FId(id) {}
  ~TWindowsFolderListing() override { FindClose(FFind); }
  TFolderId Id() const override { return FId; }

  bool Next(TDirEntry& entry) override {
    for (;;) {
      if (FPending) {
        FPending = false;
      } else if (!FindNextFileW(FFind, &FData)) {
        return false;
      }
      const wchar_t* n = FData.cFileName;
      if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
      entry.Name = FromWide(n);
      entry.Attributes = EntryAttributes(FData.dwFileAttributes);
      return true;
    }
  }

  int64_t Size() override {
    if (FData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    return int64_t((uint64_t(FData.nFileSizeHigh) << 32) | FData.nFileSizeLow);
  }

 private:
  HANDLE FFind;
  WIN32_FIND_DATAW FData;
  TFolderId FId;
  bool FPending = true;  // FindFirstFileExW already fetched the first entry
};

}  // namespace

uint32_t EntryAttributes(uint32_t windowsAttributes) {
  return (windowsAttributes & kStandardBits) ? windowsAttributes : windowsAttributes | faNormal;
}

std::unique_ptr<IReadStream> OpenWindowsFile(std::u16string_view path) {
  const std::wstring name = LongPath(path);
  HANDLE h = CreateFileW(name.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) FailOpen(path, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    FailOpen(path, ERROR_INVALID_FUNCTION);
  }
  return std::make_unique<TWindowsReadStream>(
      h, (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow, std::u16string(path));
}

std::unique_ptr<IFolderListing> ListWindowsFolder(std::u16string_view folder) {
  std::wstring base = LongPath(folder);
  if (base.empty()) return nullptr;
  std::wstring pattern = base;
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<TWindowsFolderListing>(find, data, FolderIdOf(base));
}

std::optional<TFileStatus> WindowsStatus(std::u16string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const int64_t size =
      folder ? 0 : int64_t((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  return TFileStatus{EntryAttributes(data.dwFileAttributes), size};
}

}  // namespace kv
