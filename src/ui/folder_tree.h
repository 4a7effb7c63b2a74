// The viewer's folder tree: nodes with a display text and a bound folder (the collector's
// folder entry that choosing the node selects), built from a collector's folder list below the
// parent of its store root.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace kv {

struct TFolderNode {
  std::u16string DisplayText;
  std::u16string BoundFolder;
  TFolderNode* Parent = nullptr;
  int Row = 0;  // its place among its parent's children, or among the top-level nodes
  std::vector<std::unique_ptr<TFolderNode>> Children;
  int Depth() const { return Parent ? Parent->Depth() + 1 : 0; }
};

class TFolderTree {
 public:
  // Rebuilds the tree. `store` is the collector's store root ("" in stored mode), `sep` the
  // platform's path separator; for Thunderbird every ".sbd" is dropped from the paths so a
  // mailbox's subfolders show below it.
  void Build(const TStringList& folders, std::u16string_view store, bool thunderbird, char16_t sep);
  void Clear();

  const std::vector<std::unique_ptr<TFolderNode>>& Roots() const { return FRoots; }
  // The first node, depth first over all levels, whose text equals `text` ignoring ASCII case.
  TFolderNode* FindFolderNode(std::u16string_view text) const;
  // The node to show after a build: the last "Inbox" created, else the first top-level node.
  TFolderNode* ShownNode() const;
  size_t NodeCount() const;

 private:
  std::vector<std::unique_ptr<TFolderNode>> FRoots;
  TFolderNode* FInbox = nullptr;
};

}  // namespace kv
