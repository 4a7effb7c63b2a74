// kolvane-cli: the command-line program.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return kv::RunCli(args, std::cout, std::cerr, kv::ProcessEnvironment(argv[0]));
}
