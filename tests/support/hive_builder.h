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
enum : int {
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11
};

class THiveBuilder {
 public:
  // Writes an empty hive to `path` and opens it for editing. Throws std::runtime_error.
  explicit THiveBuilder(std::string path, std::string_view rootName = "ROOT");
  // Opens an existing hive file for editing.
  struct TExisting {};
  THiveBuilder(std::string path, TExisting);
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

// A Windows 7 x64 system drive under the host folder `root`: Windows\System32\config\SOFTWARE
// (version 6.1.7601 Service Pack 1, Professional, ProfileList), SYSTEM (computer name
// `computerName`, ControlSet001 as the current control set, AMD64), and for each user
// Users\<name>\NTUSER.DAT with the Vista shell-folder values. Further values can be added with
// THiveBuilder(path, TExisting{}). The SIDs are "S-1-5-21-1004336348-1177238915-682003330-" and
// 1001, 1002, ... in the order of `users`.
void WriteWindows7Tree(const std::string& root, const std::vector<std::string>& users,
                       std::u16string_view computerName = u"ANNA-PC");
std::string Windows7UserSid(size_t index);  // the SID WriteWindows7Tree gives users[index]

}  // namespace kv::test
