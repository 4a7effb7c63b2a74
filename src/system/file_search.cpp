#include "system/file_search.h"

#include <vector>

#include "system/case_fold.h"
#include "system/context.h"
#include "system/path.h"

namespace kv {
namespace {

// Matches `name` against an already folded mask. Greedy with one backtrack point per "*": a later
// "*" supersedes an earlier one, so the match is linear in practice and never exponential.
bool MatchFolded(std::u16string_view name, std::u16string_view mask) {
  size_t n = 0, m = 0;
  size_t starMask = std::u16string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == u'?' || mask[m] == FoldCase(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::u16string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

bool MatchesWithDotRule(std::u16string_view name, std::u16string_view foldedMask) {
  if (name.find(u'.') != std::u16string_view::npos) return MatchFolded(name, foldedMask);
  std::u16string dotted(name);
  dotted += u'.';
  return MatchFolded(dotted, foldedMask);
}

struct TFoundEntry {
  std::u16string Name;
  bool IsFolder = false;
  bool Matched = false;
  int64_t Size = 0;
};

// 64-bit FNV-1a over folded code units; a path's hash continues from its folder's.
constexpr uint64_t kHashSeed = 0xcbf29ce484222325ull;
uint64_t HashFolded(uint64_t h, std::u16string_view text) {
  for (char16_t c : text) {
    h = (h ^ FoldCase(c)) * 0x100000001b3ull;
  }
  return h;
}

// The paths a list holds, compared without regard to case: an open-addressing table of path
// hashes pointing into the list, so checking a path costs no folded copy of it.
class TPathSet {
 public:
  explicit TPathSet(const TStringList& list) : FList(list) {
    for (uint32_t i = 0; i < list.size(); ++i) Insert(HashFolded(kHashSeed, list[i]), i);
  }
  bool Contains(uint64_t hash, std::u16string_view path) const {
    if (FSlots.empty()) return false;
    for (size_t i = hash & FMask;; i = (i + 1) & FMask) {
      const TSlot& s = FSlots[i];
      if (s.Index == kEmpty) return false;
      if (s.Hash == hash && SameTextFold(FList[s.Index], path)) return true;
    }
  }
  void Insert(uint64_t hash, uint32_t index) {
    if ((FCount + 1) * 2 > FSlots.size()) Grow();
    for (size_t i = hash & FMask;; i = (i + 1) & FMask) {
      if (FSlots[i].Index == kEmpty) {
        FSlots[i] = {hash, index};
        ++FCount;
        return;
      }
    }
  }

 private:
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;
  struct TSlot {
    uint64_t Hash = 0;
    uint32_t Index = kEmpty;
  };
  void Grow() {
    std::vector<TSlot> old = std::move(FSlots);
    FSlots.assign(old.empty() ? 1024 : old.size() * 2, TSlot{});
    FMask = FSlots.size() - 1;
    FCount = 0;
    for (const TSlot& s : old) {
      if (s.Index != kEmpty) Insert(s.Hash, s.Index);
    }
  }
  const TStringList& FList;
  std::vector<TSlot> FSlots;
  size_t FMask = 0;
  size_t FCount = 0;
};

class TWalk {
 public:
  TWalk(IPlatform& platform, std::u16string_view mask, uint32_t attrMask, TStringList* list,
        bool recursive, bool wantSizes)
      : FPlatform(platform),
        FSep(platform.PathSeparator()),
        FMask(FoldCase(mask)),
        FAttrMask(attrMask),
        FList(list),
        FRecursive(recursive),
        FWantSizes(wantSizes) {
    if (FList) FSeen = std::make_unique<TPathSet>(*FList);
  }

  // `folder` ends in the separator.
  int64_t Walk(const std::u16string& folder, bool unique) {
    std::vector<TFoundEntry> entries;
    {
      std::unique_ptr<IFolderListing> listing = FPlatform.ListFolder(folder);
      if (!listing) return 0;
      TFolderId id = listing->Id();
      if (id.Known()) {
        for (const TFolderId& a : FAncestors) {
          if (a == id) return 0;  // a link back to a folder being walked
        }
      }
      FAncestors.push_back(id);
      // First pass with the folder open: names, the match and the sizes of matches. The listing
      // is closed before descending, so the walk holds one open folder at a time.
      TDirEntry e;
      while (listing->Next(e)) {
        if (e.Name == u"." || e.Name == u"..") continue;
        TFoundEntry f;
        f.IsFolder = (e.Attributes & faDirectory) != 0;
        f.Matched = (e.Attributes & FAttrMask) != 0 && MatchesWithDotRule(e.Name, FMask);
        if (f.Matched && !f.IsFolder && FWantSizes) f.Size = listing->Size();
        if (!f.Matched && !(FRecursive && f.IsFolder)) continue;  // nothing more to do with it
        f.Name = std::move(e.Name);
        entries.push_back(std::move(f));
      }
    }
    const uint64_t folderHash = FList ? HashFolded(kHashSeed, folder) : 0;
    int64_t total = 0;
    for (TFoundEntry& f : entries) {
      if (f.Matched) {
        total += f.Size;
        if (FList) {
          std::u16string path;
          path.reserve(folder.size() + f.Name.size());
          path += folder;
          path += f.Name;
          uint64_t hash = HashFolded(folderHash, f.Name);
          bool fresh = !FSeen->Contains(hash, path);
          if (fresh || !unique) {
            FList->push_back(std::move(path));
            if (fresh) FSeen->Insert(hash, uint32_t(FList->size() - 1));
          }
        }
      }
      if (FRecursive && f.IsFolder) {
        std::u16string sub;
        sub.reserve(folder.size() + f.Name.size() + 1);
        sub += folder;
        sub += f.Name;
        sub += FSep;
        total += Walk(sub, true);
      }
    }
    FAncestors.pop_back();
    return total;
  }

 private:
  IPlatform& FPlatform;
  char16_t FSep;
  std::u16string FMask;
  uint32_t FAttrMask;
  TStringList* FList;
  bool FRecursive;
  bool FWantSizes;
  std::unique_ptr<TPathSet> FSeen;
  std::vector<TFolderId> FAncestors;
};

}  // namespace

bool MatchesMask(std::u16string_view name, std::u16string_view mask) {
  return MatchFolded(name, FoldCase(mask));
}

int64_t FindFiles(const TSystemContext& context, std::u16string_view folder,
                  std::u16string_view mask, uint32_t attrMask, TStringList* list, bool recursive,
                  bool unique) {
  IPlatform& platform = context.Platform();
  TWalk walk(platform, mask, attrMask, list, recursive, true);
  return walk.Walk(IncludeTrailingSeparator(folder, platform.PathSeparator()), unique);
}

void FindFilePaths(const TSystemContext& context, std::u16string_view folder,
                   std::u16string_view mask, uint32_t attrMask, TStringList& list, bool recursive,
                   bool unique) {
  IPlatform& platform = context.Platform();
  TWalk walk(platform, mask, attrMask, &list, recursive, false);
  walk.Walk(IncludeTrailingSeparator(folder, platform.PathSeparator()), unique);
}

std::u16string FolderNameFromPath(std::u16string_view path, char16_t sep) {
  std::u16string name = ExtractFileName(path, sep);
  if (path == u"." || path == u"..") return std::u16string(path);
  size_t dot = name.rfind(u'.');
  if (dot != std::u16string::npos) name.erase(dot);
  return name;
}

std::u16string FolderNameFromPath(const TSystemContext& context, std::u16string_view path) {
  return FolderNameFromPath(path, context.Separator());
}

int64_t GetFileSizeByName(const TSystemContext& context, std::u16string_view path) {
  IPlatform& platform = context.Platform();
  const char16_t sep = platform.PathSeparator();
  std::u16string name = ExtractFileName(path, sep);
  if (name.find_first_of(u"*?") == std::u16string::npos) {
    std::optional<TFileStatus> status = platform.Status(path);
    return status ? status->Size : -1;
  }
  std::u16string folder(path.substr(0, path.size() - name.size()));
  if (folder.empty()) return -1;
  std::unique_ptr<IFolderListing> listing = platform.ListFolder(folder);
  if (!listing) return -1;
  std::u16string folded = FoldCase(name);
  TDirEntry e;
  while (listing->Next(e)) {
    if (MatchesWithDotRule(e.Name, folded)) return listing->Size();
  }
  return -1;
}

}  // namespace kv
