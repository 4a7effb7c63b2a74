// kolvane-cli.exe: the command-line program on Windows. Arguments arrive as UTF-16 (wmain) and
// go on as UTF-8, as on Linux; output is UTF-8 bytes exactly as written (binary mode, so a CSV
// export is the same file on both systems), and a console shows it as UTF-8.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "cli/cli_app.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(kv::Utf16ToUtf8(std::u16string(argv[i], argv[i] + wcslen(argv[i]))));
  return kv::RunCli(args, std::cout, std::cerr, kv::ProcessEnvironment(nullptr));
}
