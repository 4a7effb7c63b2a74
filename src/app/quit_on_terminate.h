// A desktop session ends its programs with SIGTERM (also SIGINT from a terminal): the program
// then closes its windows as File › Exit does and exits with status 0, instead of dying.
#pragma once

namespace kv {

// Call once, after the application object exists.
void QuitOnTerminate();

}  // namespace kv
