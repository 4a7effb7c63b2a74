// What the samples tests share: where the committed tree lies, its manifest, and a context over
// it as an offline Windows drive.
#pragma once

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/codepage.h"
#include "sample_manifest.h"
#include "sample_tree.h"
#include "system/context.h"
#include "system/offline_windows_platform.h"

namespace kv::test {

inline std::string SamplesDir() { return std::string(KOLVANE_SOURCE_DIR) + "/samples"; }

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline samples::TSampleManifest CommittedManifest() {
  return samples::ParseManifest(
      ReadHostFile(SamplesDir() + "/" + std::string(samples::kManifestFile)));
}

// The committed tree seen as its only user's session.
inline std::unique_ptr<TSystemContext> OpenSamples() {
  return std::make_unique<TSystemContext>(OpenOfflineWindowsTree(SamplesDir(), u""));
}

inline std::u16string U(std::string_view utf8) { return Utf8ToUtf16(utf8); }

}  // namespace kv::test
