// Creating a file that must not exist yet, the one file-system call of kolvane-cli's output that
// POSIX and Windows spell differently.
#pragma once

#include <filesystem>
#include <string>

namespace kv {

// Creates `path` empty and closes it; false when it exists already or cannot be created, with
// the system's reason in `error` and `exists` telling the first case.
bool CreateNewFile(const std::filesystem::path& path, bool& exists, std::string& error);

}  // namespace kv
