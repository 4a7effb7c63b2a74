// Setting and clearing environment variables in tests, the same on POSIX and Windows.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace kv::test {

inline void SetEnvVar(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

inline void UnsetEnvVar(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");  // an empty value removes the variable
#else
  ::unsetenv(name);
#endif
}

inline std::optional<std::string> GetEnvVar(const char* name) {
  const char* value = ::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

// Sets a variable for the lifetime of the object and restores what was there.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const std::string& value) : FName(name), FOld(GetEnvVar(name)) {
    SetEnvVar(name, value);
  }
  ~TScopedEnv() {
    if (FOld)
      SetEnvVar(FName, *FOld);
    else
      UnsetEnvVar(FName);
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

}  // namespace kv::test
