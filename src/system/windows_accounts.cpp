#include "system/windows_accounts.h"

#include <windows.h>
#include <tlhelp32.h>
#include <wtsapi32.h>

#include <vector>

#include "system/case_fold.h"
#include "system/sid.h"
#include "base/windows_text.h"

namespace kv {
namespace {

constexpr int kNameLookupTries = 11;

class TOwnedHandle {
 public:
  explicit TOwnedHandle(HANDLE h = nullptr) : FHandle(h) {}
  ~TOwnedHandle() {
    if (FHandle && FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  HANDLE* Out() { return &FHandle; }
  HANDLE Get() const { return FHandle; }
  bool Valid() const { return FHandle && FHandle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE FHandle;
};

std::u16string TextOfSid(PSID sid) {
  if (!sid || !IsValidSid(sid)) return {};
  const std::string_view bytes(static_cast<const char*>(sid), GetLengthSid(sid));
  std::optional<TSid> parsed = SidFromBytes(bytes);
  return parsed ? SidToText(*parsed) : std::u16string();
}

// A token's information of one class, in a buffer of the size the token asks for.
std::vector<BYTE> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS what) {
  DWORD size = 0;
  GetTokenInformation(token, what, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token, what, buffer.data(), size, &size)) return {};
  return buffer;
}

std::u16string SessionText(DWORD session, WTS_INFO_CLASS what) {
  wchar_t* text = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, what, &text, &bytes))
    return {};
  std::u16string out = FromWide(text);
  WTSFreeMemory(text);
  return out;
}

}  // namespace

std::u16string WindowsAccountName() {
  wchar_t name[257];  // UNLEN + 1
  DWORD size = DWORD(std::size(name));
  if (!GetUserNameW(name, &size) || size == 0) return {};
  return FromWide(name);
}

std::u16string WindowsAccountSid(std::u16string_view system, std::u16string_view account) {
  if (account.empty()) return {};
  const std::wstring sys = Wide(system), name = Wide(account);
  DWORD sidSize = 0, domainSize = 0;
  SID_NAME_USE use;
  LookupAccountNameW(sys.empty() ? nullptr : sys.c_str(), name.c_str(), nullptr, &sidSize, nullptr,
                     &domainSize, &use);
  if (sidSize == 0) return {};
  std::vector<BYTE> sid(sidSize);
  std::vector<wchar_t> domain(domainSize + 1);
  if (!LookupAccountNameW(sys.empty() ? nullptr : sys.c_str(), name.c_str(), sid.data(), &sidSize,
                          domain.data(), &domainSize, &use))
    return {};
  return TextOfSid(sid.data());
}

bool WindowsTokenHoldsAdministrators() {
  TOwnedHandle token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Out())) {
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) return false;
  }
  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD adminsSize = sizeof admins;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize)) return false;
  std::vector<BYTE> buffer = TokenInformation(token.Get(), TokenGroups);
  if (buffer.empty()) return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  // The group's attributes are not looked at: a group present but disabled still counts.
  for (DWORD i = 0; i < groups->GroupCount; ++i)
    if (EqualSid(groups->Groups[i].Sid, admins)) return true;
  return false;
}

int32_t WindowsProcessSessionId() {
  DWORD session = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return -1;
  return int32_t(session);
}

int32_t WindowsConsoleSessionId() {
  const DWORD session = WTSGetActiveConsoleSessionId();
  return session == 0xFFFFFFFF ? -1 : int32_t(session);
}

std::optional<TAccountName> WindowsSessionUser(int32_t session) {
  const DWORD id = session < 0 ? WTS_CURRENT_SESSION : DWORD(session);
  return TAccountName{SessionText(id, WTSUserName), SessionText(id, WTSDomainName)};
}

std::optional<TProcessAccount> WindowsProcessAccount(std::u16string_view exeName, int32_t session) {
  TOwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return std::nullopt;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    DWORD processSession = 0;
    if (!SameTextFold(FromWide(entry.szExeFile), exeName)) continue;
    if (!ProcessIdToSessionId(entry.th32ProcessID, &processSession) ||
        int32_t(processSession) != session)
      continue;
    // The first such process decides, whether or not its token can be read.
    TOwnedHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    TOwnedHandle token;
    if (!process.Valid() || !OpenProcessToken(process.Get(), TOKEN_QUERY, token.Out()))
      return std::nullopt;
    std::vector<BYTE> buffer = TokenInformation(token.Get(), TokenUser);
    if (buffer.empty()) return std::nullopt;
    PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    TProcessAccount account;
    account.Sid = TextOfSid(sid);
    for (int attempt = 0; attempt < kNameLookupTries && account.User.empty(); ++attempt) {
      wchar_t name[256], domain[256];
      DWORD nameSize = DWORD(std::size(name)), domainSize = DWORD(std::size(domain));
      SID_NAME_USE use;
      if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
        account.User = FromWide(name);
        account.Domain = FromWide(domain);
      } else if (GetLastError() == ERROR_NONE_MAPPED) {
        break;
      }
    }
    return account;
  }
  return std::nullopt;
}

}  // namespace kv
