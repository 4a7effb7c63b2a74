// One 128-byte entry of a compound file's directory, the order of names within a storage, and
// the red-black tree that links the children of a storage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/cfb/cfb_format.h"

namespace kv::cfb {

enum class TEntryType : uint8_t { Empty = 0, Storage = 1, Stream = 2, Root = 5 };

struct TDirEntry {
  std::u16string Name;
  TEntryType Type = TEntryType::Empty;
  uint8_t Color = 1;  // 0 red, 1 black
  uint32_t Left = kNoStream;
  uint32_t Right = kNoStream;
  uint32_t Child = kNoStream;
  TGuid ClassId{};
  uint32_t StateBits = 0;
  uint64_t CreationTime = 0;
  uint64_t ModifiedTime = 0;
  uint32_t Start = kEndOfChain;
  uint64_t Size = 0;

  bool IsStorage() const { return Type == TEntryType::Storage || Type == TEntryType::Root; }
};

// `majorVersion` 3 ignores the upper half of the stream size, as the format asks.
TDirEntry ParseDirEntry(const char* data, uint16_t majorVersion);
void SerializeDirEntry(const TDirEntry& entry, char* data);

// The format's order of names within one storage: the shorter name first, names of equal
// length by their upper-cased UTF-16 code units.
int CompareNames(std::u16string_view a, std::u16string_view b);
bool SameName(std::u16string_view a, std::u16string_view b);
char16_t UpperCaseUnit(char16_t c);

// Throws EStorageError (InvalidName) unless `name` can name an element: 1 to 31 code units,
// none of "/", "\", ":", "!".
void CheckElementName(std::u16string_view name);

// Links `children` (entry numbers, any order) of one storage as a balanced binary search tree
// coloured as a valid red-black tree; sorts `children` and returns the root (kNoStream when
// there are none).
uint32_t LinkTree(std::vector<TDirEntry>& entries, std::vector<uint32_t>& children);

}  // namespace kv::cfb
