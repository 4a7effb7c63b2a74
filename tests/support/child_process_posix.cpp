#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>

#include "support/child_process.h"

namespace kv::test {
namespace {

std::map<std::string, TChildMain>& Children() {
  static std::map<std::string, TChildMain> children;
  return children;
}

}  // namespace

TChildRegistration::TChildRegistration(const char* name, TChildMain main) {
  Children()[name] = main;
}

std::vector<int> RunChildren(const char* name, const std::vector<std::vector<std::string>>& args) {
  std::vector<int> codes(args.size(), -1);
  auto it = Children().find(name);
  if (it == Children().end()) return codes;
  std::vector<pid_t> children;
  for (const auto& a : args) {
    const pid_t child = ::fork();
    if (child == 0) {
      int code = 1;
      try {
        code = it->second(a);
      } catch (...) {}
      ::_exit(code);
    }
    children.push_back(child);
  }
  for (size_t i = 0; i < children.size(); ++i) {
    int status = 0;
    if (children[i] > 0 && ::waitpid(children[i], &status, 0) == children[i] && WIFEXITED(status))
      codes[i] = WEXITSTATUS(status);
  }
  return codes;
}

int RunChild(const char* name, const std::vector<std::string>& args) {
  return RunChildren(name, {args}).front();
}

}  // namespace kv::test
