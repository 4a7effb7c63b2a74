#include "system/offline_paths.h"

#include <sys/stat.h>

#include <memory>

#include "base/codepage.h"
#include "system/case_fold.h"
#include "system/platform.h"
#include "system/posix_files.h"

namespace kv {
namespace {

// Splits an absolute Windows path on the tree into components ("." dropped, ".." applied);
// false for a relative path or another drive.
bool Components(std::u16string_view path, std::vector<std::u16string>& out) {
  if (path.size() >= 2 && path[1] == u':') {
    if (path[0] != u'C' && path[0] != u'c') return false;
    path.remove_prefix(2);
  } else if (path.size() >= 2 && (path[0] == u'\\' || path[0] == u'/') &&
             (path[1] == u'\\' || path[1] == u'/')) {
    return false;  // a network path ("\\server\share") is not on the system drive
  }
  if (path.empty() || (path[0] != u'\\' && path[0] != u'/')) return path.empty();
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
      std::u16string_view c = path.substr(start, i - start);
      start = i + 1;
      if (c.empty() || c == u".") continue;
      if (c == u"..") {
        if (!out.empty()) out.pop_back();
        continue;
      }
      out.emplace_back(c);
    }
  }
  return true;
}

// The entry of host folder `folder` named `name`: the exact name when it exists, else the first
// entry whose name equals it case folded; empty when none.
std::string ResolveComponent(const std::string& folder, const std::u16string& name) {
  std::string exact = folder + "/" + Utf16ToUtf8(name);
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) return exact;
  std::unique_ptr<IFolderListing> listing = ListPosixFolder(folder);
  if (!listing) return {};
  TDirEntry e;
  while (listing->Next(e)) {
    if (SameTextFold(e.Name, name)) return folder + "/" + Utf16ToUtf8(e.Name);
  }
  return {};
}

}  // namespace

TOfflinePaths::TOfflinePaths(std::string root) : FRoot(std::move(root)) {
  while (FRoot.size() > 1 && FRoot.back() == '/') FRoot.pop_back();
}

std::string TOfflinePaths::HostPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  if (!Components(path, parts)) return {};
  std::string host = FRoot;
  std::u16string key;
  for (const std::u16string& part : parts) {
    key += u'\\';
    key += FoldCase(part);
    auto hit = FResolved.find(key);
    if (hit != FResolved.end()) {
      host = hit->second;
      continue;
    }
    std::string next = ResolveComponent(host, part);
    if (next.empty()) return {};
    if (FResolved.size() > 200000) FResolved.clear();
    FResolved.emplace(key, next);
    host = std::move(next);
  }
  return host;
}

}  // namespace kv
