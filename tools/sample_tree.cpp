#include "sample_tree.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kv::samples {

std::string TSampleTree::HostPath(std::string_view windowsPath) const {
  if (windowsPath.size() < 3 || windowsPath.substr(0, 3) != "C:\\") {
    throw std::runtime_error("not a path on drive C: " + std::string(windowsPath));
  }
  std::string rel(windowsPath.substr(3));
  for (char& c : rel) {
    if (c == '\\') c = '/';
  }
  return FRoot + "/" + rel;
}

std::string TSampleTree::Prepare(std::string_view windowsPath) {
  const std::string host = HostPath(windowsPath);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  FFiles.push_back(host.substr(FRoot.size() + 1));
  return host;
}

void TSampleTree::Write(std::string_view windowsPath, std::string_view bytes) {
  const std::string host = Prepare(windowsPath);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + host);
}

namespace {

// Whether `root` is empty or holds a tree this generator wrote (its manifest says so). Anything
// else may be a real Windows drive, whose Windows and Users folders must never be removed.
bool MayReplace(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  if (!fs::exists(root) || fs::is_empty(root)) return true;
  std::ifstream in(root / kManifestFile, std::ios::binary);
  std::string first;
  std::getline(in, first);
  return first == kManifestFirstLine;
}

}  // namespace

TSampleManifest WriteSampleTree(const std::string& root) {
  namespace fs = std::filesystem;
  if (!MayReplace(root)) {
    throw std::runtime_error(root +
                             " is neither empty nor a sample tree written before "
                             "(no " +
                             std::string(kManifestFile) + "): nothing written");
  }
  fs::create_directories(root);
  for (const char* old : {"Windows", "Users"}) fs::remove_all(fs::path(root) / old);
  fs::remove(fs::path(root) / kManifestFile);

  TSampleTree tree(root);
  WriteRegistry(tree);
  WriteOutlookExpress(tree);
  WriteWindowsMail(tree);
  WriteWindowsLiveMail(tree);
  WriteThunderbird(tree);

  TSampleManifest& m = tree.Manifest();
  for (TSampleFolder& f : m.Folders) {
    f.Messages = 0;
    for (const TSampleMessage& x : m.Messages) f.Messages += x.Folder == f.Path ? 1 : 0;
  }
  for (const TSampleMessage& x : m.Messages) {
    bool known = false;
    for (const TSampleFolder& f : m.Folders) known = known || f.Path == x.Folder;
    if (!known) throw std::runtime_error("message in an unlisted folder: " + x.Folder);
  }
  const std::string text = FormatManifest(m);
  std::ofstream out(fs::path(root) / kManifestFile, std::ios::binary | std::ios::trunc);
  out.write(text.data(), std::streamsize(text.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write the manifest below " + root);
  return m;
}

}  // namespace kv::samples
