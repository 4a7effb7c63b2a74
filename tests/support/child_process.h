// Child processes for tests that need a second process (a second writer, an open from another
// process). A child is a function registered under a name; RunChild runs it in a new process of
// the same test program and returns its result as the exit status. POSIX forks; Windows, which
// cannot fork, starts the test program again with "--kolvane-child NAME ARGS...", and the
// registration runs the function before main() when the command line names it.
#pragma once

#include <string>
#include <vector>

namespace kv::test {

using TChildMain = int (*)(const std::vector<std::string>& args);

struct TChildRegistration {
  TChildRegistration(const char* name, TChildMain main);
};

// The child's exit status; -1 when it could not be started or did not end normally.
int RunChild(const char* name, const std::vector<std::string>& args);
// Several children of one kind at once, one per argument list; their exit statuses in order.
std::vector<int> RunChildren(const char* name, const std::vector<std::vector<std::string>>& args);

}  // namespace kv::test

// Defines and registers a child: KOLVANE_TEST_CHILD(OpenWhileHeld) { ... return status; }
#define KOLVANE_TEST_CHILD(name)                                                               \
  static int name##ChildMain(const std::vector<std::string>& args);                            \
  static const ::kv::test::TChildRegistration name##ChildRegistration(#name, name##ChildMain); \
  static int name##ChildMain([[maybe_unused]] const std::vector<std::string>& args)
