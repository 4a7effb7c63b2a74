// Windows paths on an offline tree: "C:\" (or a path beginning with "\") is the tree's folder,
// "\" and "/" separate, and every component is looked up without regard to case. Found
// components are cached, so a walk does not list a folder once per entry.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv {

class TOfflinePaths {
 public:
  explicit TOfflinePaths(std::string root);

  const std::string& Root() const { return FRoot; }
  // The host path a Windows path maps to; empty when it does not exist in the tree.
  std::string HostPath(std::u16string_view path);

 private:
  std::string FRoot;
  std::unordered_map<std::u16string, std::string> FResolved;  // folded "\a\b" -> host path
};

}  // namespace kv
