// Builds registry hive files for tests. hivex edits hives but cannot create one, so the builder
// first writes the smallest valid hive — a 4 KB header block with its checksum and one 4 KB bin
// holding the root key and its security cell — and then adds keys and values through hivex.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

typedef struct hive_h hive_h;

namespace kv::test {

// The bytes of an empty hive whose root key is named `rootName` (ASCII).
std::string EmptyHiveBytes(std::string_view rootName = "ROOT");

// Registry data types as the hive stores them.
enum : int { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7,
             kRegQword = 11 };

class THiveBuilder {
 public:
  // Writes an empty hive to `path` and opens it for editing. Throws std::runtime_error.
  explicit THiveBuilder(std::string path, std::string_view rootName = "ROOT");
  ~THiveBuilder();
  THiveBuilder(const THiveBuilder&) = delete;
  THiveBuilder& operator=(const THiveBuilder&) = delete;

  // Keys are "\"-separated paths below the root; missing keys on the way are created.
  void AddKey(std::string_view key);
  void SetText(std::string_view key, std::string_view name, std::u16string_view text);
  void SetExpandText(std::string_view key, std::string_view name, std::u16string_view text);
  void SetDWord(std::string_view key, std::string_view name, uint32_t value);
  void SetQWord(std::string_view key, std::string_view name, uint64_t value);
  void SetMultiText(std::string_view key, std::string_view name,
                    const std::vector<std::u16string>& texts);
  void SetRaw(std::string_view key, std::string_view name, int type, std::string bytes);
  // Writes the hive back to its file. Throws std::runtime_error.
  void Commit();

  const std::string& Path() const { return FPath; }

 private:
  size_t Node(std::string_view key);
  std::string FPath;
  hive_h* FHive = nullptr;
};

}  // namespace kv::test
