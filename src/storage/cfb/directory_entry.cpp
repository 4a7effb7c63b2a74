#include "storage/cfb/directory_entry.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "storage/cfb/byte_order.h"

namespace kv::cfb {

TDirEntry ParseDirEntry(const char* p, uint16_t majorVersion) {
  TDirEntry e;
  uint16_t nameBytes = GetU16(p + 64);
  size_t units = std::min<size_t>(nameBytes / 2, 32);
  for (size_t i = 0; i < units; ++i) {
    char16_t c = GetU16(p + 2 * i);
    if (c == 0) break;
    e.Name.push_back(c);
  }
  e.Type = TEntryType(uint8_t(p[66]));
  e.Color = uint8_t(p[67]);
  e.Left = GetU32(p + 68);
  e.Right = GetU32(p + 72);
  e.Child = GetU32(p + 76);
  std::memcpy(e.ClassId.data(), p + 80, 16);
  e.StateBits = GetU32(p + 96);
  e.CreationTime = GetU64(p + 100);
  e.ModifiedTime = GetU64(p + 108);
  e.Start = GetU32(p + 116);
  e.Size = majorVersion == 3 ? GetU32(p + 120) : GetU64(p + 120);
  return e;
}

void SerializeDirEntry(const TDirEntry& e, char* p) {
  std::memset(p, 0, kDirEntrySize);
  size_t units = std::min(e.Name.size(), kMaxNameLength);
  for (size_t i = 0; i < units; ++i) PutU16(p + 2 * i, e.Name[i]);
  PutU16(p + 64, e.Type == TEntryType::Empty ? 0 : uint16_t((units + 1) * 2));
  p[66] = char(e.Type);
  p[67] = char(e.Color);
  PutU32(p + 68, e.Left);
  PutU32(p + 72, e.Right);
  PutU32(p + 76, e.Child);
  std::memcpy(p + 80, e.ClassId.data(), 16);
  PutU32(p + 96, e.StateBits);
  PutU64(p + 100, e.CreationTime);
  PutU64(p + 108, e.ModifiedTime);
  PutU32(p + 116, e.Start);
  PutU64(p + 120, e.Size);
}

char16_t UpperCaseUnit(char16_t c) {
  // Simple upper-casing of the alphabets folder names are written in: Latin, Greek, Cyrillic.
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : char16_t(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return (c & 1) ? c : char16_t(c - 1);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? char16_t(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return char16_t(c - 32);
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 32);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 80);
  if (c >= 0x460 && c <= 0x4BF) return (c & 1) ? char16_t(c - 1) : c;
  return c;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = UpperCaseUnit(a[i]), y = UpperCaseUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool SameName(std::u16string_view a, std::u16string_view b) { return CompareNames(a, b) == 0; }

void CheckElementName(std::u16string_view name) {
  bool bad = name.empty() || name.size() > kMaxNameLength;
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == 0) bad = true;
  }
  if (bad) {
    throw EStorageError(
        TStorageStatus::InvalidName,
        u"\"" + std::u16string(name) + u"\" cannot name an element of a compound file");
  }
}

namespace {

// Builds the subtree of sorted[lo, hi) and returns its root; nodes on the deepest level of an
// incomplete tree are red, all others black, so every path has the same number of black nodes.
uint32_t Build(std::vector<TDirEntry>& entries, const std::vector<uint32_t>& sorted, size_t lo,
               size_t hi, int depth, int redDepth) {
  if (lo >= hi) return kNoStream;
  size_t mid = lo + (hi - lo) / 2;
  uint32_t id = sorted[mid];
  entries[id].Left = Build(entries, sorted, lo, mid, depth + 1, redDepth);
  entries[id].Right = Build(entries, sorted, mid + 1, hi, depth + 1, redDepth);
  entries[id].Color = depth == redDepth ? 0 : 1;
  return id;
}

}  // namespace

uint32_t LinkTree(std::vector<TDirEntry>& entries, std::vector<uint32_t>& children) {
  std::sort(children.begin(), children.end(), [&](uint32_t a, uint32_t b) {
    return CompareNames(entries[a].Name, entries[b].Name) < 0;
  });
  size_t n = children.size();
  int height = 0;  // levels of the tree
  while ((size_t(1) << height) - 1 < n) ++height;
  bool perfect = (size_t(1) << height) - 1 == n;
  int redDepth = perfect ? -1 : height - 1;
  return Build(entries, children, 0, n, 0, redDepth);
}

}  // namespace kv::cfb
