#include "ui/folder_tree.h"

#include "system/file_search.h"

namespace kv {

namespace {

TFolderNode* FindIn(const std::vector<std::unique_ptr<TFolderNode>>& nodes,
                    std::u16string_view text) {
  for (const auto& n : nodes) {
    if (SameTextAscii(n->DisplayText, text)) return n.get();
    if (TFolderNode* found = FindIn(n->Children, text)) return found;
  }
  return nullptr;
}

size_t CountIn(const std::vector<std::unique_ptr<TFolderNode>>& nodes) {
  size_t n = nodes.size();
  for (const auto& node : nodes) n += CountIn(node->Children);
  return n;
}

std::u16string RemoveSbd(std::u16string_view path) {
  std::u16string out;
  size_t i = 0;
  while (i < path.size()) {
    if (i + 4 <= path.size() && SameTextAscii(path.substr(i, 4), u".sbd")) {
      i += 4;
    } else {
      out.push_back(path[i++]);
    }
  }
  return out;
}

}  // namespace

void TFolderTree::Clear() {
  FRoots.clear();
  FInbox = nullptr;
}

void TFolderTree::Build(const TStringList& folders, std::u16string_view store, bool thunderbird,
                        char16_t sep) {
  Clear();
  // Base: the parent folder of the store root, trailing separator included.
  std::u16string_view root = store;
  if (!root.empty() && root.back() == sep) root.remove_suffix(1);
  size_t lastSep = root.rfind(sep);
  const size_t baseLength = lastSep == std::u16string_view::npos ? 0 : lastSep + 1;

  for (const auto& entry : folders) {
    std::u16string s = thunderbird ? RemoveSbd(entry) : entry;
    // The path below the base is cut at 260 characters, MAX_PATH, as the viewer has always cut
    // it: the clients' stores lie within that length on Windows, and a longer path (a history
    // file from elsewhere, a deep Thunderbird tree) is shown by its first 260 characters, in
    // the same node as the viewer users know shows it, rather than in a tree of its own.
    s = baseLength < s.size() ? s.substr(baseLength, 260) : std::u16string();
    if (s.empty() || s.back() != sep) s.push_back(sep);

    TFolderNode* node = nullptr;
    TFolderNode* parent = nullptr;
    size_t start = 0;
    while (start < s.size()) {
      size_t end = s.find(sep, start);
      std::u16string_view segment = std::u16string_view(s).substr(start, end - start);
      start = end + 1;
      if (!node) {
        node = FindFolderNode(segment);
      } else {
        TFolderNode* child = nullptr;
        for (const auto& c : node->Children)
          if (SameTextAscii(c->DisplayText, segment)) {
            child = c.get();
            break;
          }
        node = child;
      }
      if (!node) {
        auto created = std::make_unique<TFolderNode>();
        created->DisplayText = FolderNameFromPath(segment, sep);
        created->BoundFolder = entry;
        created->Parent = parent;
        auto& siblings = parent ? parent->Children : FRoots;
        created->Row = int(siblings.size());
        node = created.get();
        siblings.push_back(std::move(created));
        if (SameTextAscii(node->DisplayText, u"inbox")) FInbox = node;
        parent = node;
      } else {
        parent = node;
      }
    }
  }
}

TFolderNode* TFolderTree::FindFolderNode(std::u16string_view text) const {
  return FindIn(FRoots, text);
}

TFolderNode* TFolderTree::ShownNode() const {
  if (FInbox) return FInbox;
  return FRoots.empty() ? nullptr : FRoots.front().get();
}

size_t TFolderTree::NodeCount() const { return CountIn(FRoots); }

}  // namespace kv
