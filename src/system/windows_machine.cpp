#include "system/windows_machine.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <lm.h>
#include <shlobj.h>

#include <vector>

#include "base/windows_text.h"

namespace kv {
namespace {

// The names of the version resource's string table that the version record reads.
constexpr const wchar_t* kVersionStrings[] = {
    L"ProductVersion",  L"FileVersion",  L"FileDescription", L"LegalCopyright",
    L"LegalTrademarks", L"Comments",     L"SpecialBuild",    L"ProductName",
    L"CompanyName",     L"InternalName", L"OriginalFileName"};

using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);

}  // namespace

TOSVersionRecord WindowsVersionRecord() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  bool ok = false;
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    auto get = reinterpret_cast<TRtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    ok = get && get(&info) == 0;
  }
  if (!ok) ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != 0;
  TOSVersionRecord v;
  if (!ok) return v;
  v.MajorVersion = info.dwMajorVersion;
  v.MinorVersion = info.dwMinorVersion;
  v.BuildNumber = info.dwBuildNumber;
  v.PlatformId = info.dwPlatformId;
  v.CSDVersion = FromWide(info.szCSDVersion);
  if (v.CSDVersion.size() > 128) v.CSDVersion.resize(128);
  v.ServicePackMajor = info.wServicePackMajor;
  v.ServicePackMinor = info.wServicePackMinor;
  v.SuiteMask = info.wSuiteMask;
  v.ProductType = info.wProductType;
  return v;
}

uint32_t WindowsProcessorArchitecture() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

bool WindowsIs64BitHost() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::optional<uint32_t> WindowsProductInfo(uint32_t major, uint32_t minor, uint32_t spMajor,
                                           uint32_t spMinor) {
  DWORD type = 0;
  if (!GetProductInfo(major, minor, spMajor, spMinor, &type)) return std::nullopt;
  return type;
}

uint32_t WindowsSystemKinds() {
  uint32_t kinds = 0;
  if (GetSystemMetrics(SM_SERVERR2)) kinds |= skServerR2;
  if (GetSystemMetrics(SM_STARTER)) kinds |= skStarter;
  if (GetSystemMetrics(SM_TABLETPC)) kinds |= skTabletPC;
  if (GetSystemMetrics(SM_MEDIACENTER)) kinds |= skMediaCenter;
  return kinds;
}

bool WindowsIsRemoteSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

std::u16string WindowsComputerName() {
  wchar_t name[256];
  DWORD size = DWORD(std::size(name));
  if (!GetComputerNameW(name, &size)) return {};
  return FromWide(name, size);
}

TStringList WindowsEnvironment() {
  TStringList out;
  wchar_t* block = GetEnvironmentStringsW();
  if (!block) return out;
  for (const wchar_t* e = block; *e; e += wcslen(e) + 1) out.push_back(FromWide(e));
  FreeEnvironmentStringsW(block);
  return out;
}

TStringList WindowsIPv4Addresses() {
  TStringList out;
  WSADATA wsa{};
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) return out;
  char host[65] = {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (gethostname(host, 64) == 0 && getaddrinfo(host, nullptr, &hints, &found) == 0) {
    for (const addrinfo* a = found; a; a = a->ai_next) {
      if (a->ai_family != AF_INET || !a->ai_addr) continue;
      const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
      const auto* b = reinterpret_cast<const uint8_t*>(&in->sin_addr);
      std::u16string text;
      for (int i = 0; i < 4; ++i) text += (i ? u"." : u"") + UIntToStr(b[i]);
      bool seen = false;
      for (const auto& s : out) seen = seen || s == text;
      if (!seen) out.push_back(text);
    }
    freeaddrinfo(found);
  }
  WSACleanup();
  return out;
}

std::u16string WindowsWorkgroup(std::u16string_view server) {
  const std::wstring name = Wide(server);
  LPBYTE buffer = nullptr;
  if (NetWkstaGetInfo(name.empty() ? nullptr : const_cast<wchar_t*>(name.c_str()), 100, &buffer) !=
      NERR_Success)
    return {};
  std::u16string group = FromWide(reinterpret_cast<WKSTA_INFO_100*>(buffer)->wki100_langroup);
  NetApiBufferFree(buffer);
  return group;
}

std::u16string WindowsSpecialFolder(int id) {
  wchar_t path[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  std::u16string out = FromWide(path);
  while (out.size() > 3 && out.back() == u'\\') out.pop_back();
  return out;
}

std::u16string WindowsProgramFile() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return FromWide(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<TFileVersionFacts> WindowsFileVersion(std::u16string_view path) {
  const std::wstring name = Wide(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(name.c_str(), 0, size, data.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  TFileVersionFacts facts;
  facts.FileVersionMS = fixed->dwFileVersionMS;
  facts.FileVersionLS = fixed->dwFileVersionLS;
  facts.ProductVersionMS = fixed->dwProductVersionMS;
  facts.ProductVersionLS = fixed->dwProductVersionLS;
  facts.FileFlags = fixed->dwFileFlags & fixed->dwFileFlagsMask;
  // The string table of the first listed translation, "040904E4" when none is listed.
  wchar_t table[9] = L"040904E4";
  WORD* translation = nullptr;
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&translation), &length) &&
      translation && length >= 4)
    swprintf(table, std::size(table), L"%04X%04X", translation[0], translation[1]);
  for (const wchar_t* key : kVersionStrings) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + key;
    wchar_t* value = nullptr;
    if (VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) &&
        value && length > 0)
      facts.Strings.emplace_back(FromWide(key), FromWide(value));
  }
  return facts;
}

}  // namespace kv
