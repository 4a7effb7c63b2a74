#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "base/codepage.h"
#include "support/child_process.h"

namespace kv::test {
namespace {

std::string Narrow(const wchar_t* text) {
  return Utf16ToUtf8(std::u16string(text, text + wcslen(text)));
}

std::wstring WideOf(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out.push_back(c);
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

std::wstring ProgramFile() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
  return path;
}

}  // namespace

TChildRegistration::TChildRegistration(const char* name, TChildMain main) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return;
  if (argc >= 3 && Narrow(argv[1]) == "--kolvane-child" && Narrow(argv[2]) == name) {
    std::vector<std::string> args;
    for (int i = 3; i < argc; ++i) args.push_back(Narrow(argv[i]));
    LocalFree(argv);
    int code = 1;
    try {
      code = main(args);
    } catch (...) {}
    std::_Exit(code);  // the child never reaches the test program's main
  }
  LocalFree(argv);
}

std::vector<int> RunChildren(const char* name, const std::vector<std::vector<std::string>>& args) {
  const std::wstring program = ProgramFile();
  std::vector<int> codes(args.size(), -1);
  std::vector<PROCESS_INFORMATION> started(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    std::wstring line = Quoted(program) + L" --kolvane-child " + Quoted(WideOf(name));
    for (const std::string& a : args[i]) line += L" " + Quoted(WideOf(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started[i]))
      started[i] = PROCESS_INFORMATION{};
  }
  for (size_t i = 0; i < started.size(); ++i) {
    if (!started[i].hProcess) continue;
    WaitForSingleObject(started[i].hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(started[i].hProcess, &code)) codes[i] = int(code);
    CloseHandle(started[i].hThread);
    CloseHandle(started[i].hProcess);
  }
  return codes;
}

int RunChild(const char* name, const std::vector<std::string>& args) {
  return RunChildren(name, {args}).front();
}

}  // namespace kv::test
