#include <windows.h>

#include "base/codepage.h"
#include "base/windows_text.h"
#include "cli/new_file.h"

namespace kv {

bool CreateNewFile(const std::filesystem::path& path, bool& exists, std::string& error) {
  HANDLE h = CreateFileW(LongPath(path.u16string()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return true;
  }
  const DWORD code = GetLastError();
  exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
  error = Utf16ToUtf8(SystemErrorText(code));
  return false;
}

}  // namespace kv
