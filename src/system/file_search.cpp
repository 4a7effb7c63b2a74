#include "system/file_search.h"

#include <unordered_set>
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

class TWalk {
 public:
  TWalk(IPlatform& platform, std::u16string_view mask, uint32_t attrMask, TStringList* list,
        bool recursive)
      : FPlatform(platform), FSep(platform.PathSeparator()), FMask(FoldCase(mask)),
        FAttrMask(attrMask), FList(list), FRecursive(recursive) {
    if (FList) {
      for (const std::u16string& path : *FList) FSeen.insert(FoldCase(path));
    }
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
        if (f.Matched && !f.IsFolder) f.Size = listing->Size();
        f.Name = std::move(e.Name);
        entries.push_back(std::move(f));
      }
    }
    int64_t total = 0;
    for (TFoundEntry& f : entries) {
      if (f.Matched) {
        total += f.Size;
        if (FList) {
          std::u16string path = folder + f.Name;
          bool fresh = FSeen.insert(FoldCase(path)).second;
          if (fresh || !unique) FList->push_back(std::move(path));
        }
      }
      if (FRecursive && f.IsFolder) {
        std::u16string sub = folder + f.Name;
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
  std::unordered_set<std::u16string> FSeen;  // folded paths the list holds
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
  TWalk walk(platform, mask, attrMask, list, recursive);
  return walk.Walk(IncludeTrailingSeparator(folder, platform.PathSeparator()), unique);
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
