#include "support/hive_builder.h"

#include <errno.h>
#include <hivex.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kv::test {
namespace {

constexpr size_t kBlock = 0x1000;     // header block and bin size
constexpr uint32_t kRootCell = 0x20;  // first cell of the first bin, relative to the bins

void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
  return v;
}
size_t Align8(size_t n) { return (n + 7) & ~size_t(7); }

std::string Utf16Le(std::u16string_view text, bool terminate) {
  std::string out;
  for (char16_t c : text) {
    out += char(c & 0xFF);
    out += char(c >> 8);
  }
  if (terminate) out.append(2, '\0');
  return out;
}

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("hive builder: " + what + ": " + strerror(errno));
}

}  // namespace

std::string EmptyHiveBytes(std::string_view rootName) {
  std::string b(2 * kBlock, '\0');
  // Header block.
  b.replace(0, 4, "regf");
  Put32(b, 0x04, 1);          // primary sequence number
  Put32(b, 0x08, 1);          // secondary sequence number: equal, the hive is consistent
  Put32(b, 0x14, 1);          // major version
  Put32(b, 0x18, 3);          // minor version
  Put32(b, 0x1C, 0);          // primary file
  Put32(b, 0x20, 1);          // direct memory load format
  Put32(b, 0x24, kRootCell);  // root key cell
  Put32(b, 0x28, kBlock);     // size of the bins
  Put32(b, 0x2C, 1);          // clustering factor
  uint32_t sum = 0;
  for (size_t at = 0; at < 0x1FC; at += 4) sum ^= Get32(b, at);
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  if (sum == 0) sum = 1;
  Put32(b, 0x1FC, sum);

  // The bin.
  const size_t bin = kBlock;
  b.replace(bin, 4, "hbin");
  Put32(b, bin + 0x04, 0);       // offset of this bin
  Put32(b, bin + 0x08, kBlock);  // its size

  // Root key cell: a negative size marks a cell in use.
  const size_t nkData = 0x4C + rootName.size();
  const size_t nkCell = Align8(4 + nkData);
  const size_t nk = bin + kRootCell;
  const uint32_t skOffset = uint32_t(kRootCell + nkCell);
  Put32(b, nk, uint32_t(-int32_t(nkCell)));
  b.replace(nk + 4, 2, "nk");
  Put16(b, nk + 4 + 0x02, 0x2C);        // hive entry (root), not deletable, ASCII name
  Put32(b, nk + 4 + 0x10, 0);           // parent
  Put32(b, nk + 4 + 0x1C, 0xFFFFFFFF);  // no subkey list
  Put32(b, nk + 4 + 0x20, 0xFFFFFFFF);  // no volatile subkey list
  Put32(b, nk + 4 + 0x28, 0xFFFFFFFF);  // no value list
  Put32(b, nk + 4 + 0x2C, skOffset);    // security cell
  Put32(b, nk + 4 + 0x30, 0xFFFFFFFF);  // no class name
  Put16(b, nk + 4 + 0x48, uint16_t(rootName.size()));
  b.replace(nk + 4 + 0x4C, rootName.size(), rootName);

  // Security cell: a self-relative descriptor with an empty access list, linked to itself.
  std::string sd(28, '\0');
  sd[0] = 1;             // revision
  Put16(sd, 2, 0x8004);  // self-relative, access list present
  Put32(sd, 16, 20);     // access list at 20
  sd[20] = 2;            // access-list revision
  Put16(sd, 22, 8);      // access-list size, no entries
  const size_t skCell = Align8(4 + 0x14 + sd.size());
  const size_t sk = bin + skOffset;
  Put32(b, sk, uint32_t(-int32_t(skCell)));
  b.replace(sk + 4, 2, "sk");
  Put32(b, sk + 4 + 0x04, skOffset);  // next
  Put32(b, sk + 4 + 0x08, skOffset);  // previous
  Put32(b, sk + 4 + 0x0C, 1);         // reference count
  Put32(b, sk + 4 + 0x10, uint32_t(sd.size()));
  b.replace(sk + 4 + 0x14, sd.size(), sd);

  // The rest of the bin is one free cell.
  const size_t freeCell = sk + skCell;
  Put32(b, freeCell, uint32_t(bin + kBlock - freeCell));
  return b;
}

THiveBuilder::THiveBuilder(std::string path, std::string_view rootName) : FPath(std::move(path)) {
  {
    std::ofstream out(FPath, std::ios::binary | std::ios::trunc);
    std::string bytes = EmptyHiveBytes(rootName);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) Fail("cannot write " + FPath);
  }
  FHive = ::hivex_open(FPath.c_str(), HIVEX_OPEN_WRITE);
  if (!FHive) Fail("hivex cannot open " + FPath);
}

THiveBuilder::THiveBuilder(std::string path, TExisting) : FPath(std::move(path)) {
  FHive = ::hivex_open(FPath.c_str(), HIVEX_OPEN_WRITE);
  if (!FHive) Fail("hivex cannot open " + FPath);
}

THiveBuilder::~THiveBuilder() {
  if (FHive) ::hivex_close(FHive);
}

size_t THiveBuilder::Node(std::string_view key) {
  hive_node_h node = ::hivex_root(FHive);
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string_view::npos) end = key.size();
    std::string part(key.substr(start, end - start));
    start = end + 1;
    if (part.empty()) continue;
    hive_node_h child = ::hivex_node_get_child(FHive, node, part.c_str());
    if (child == 0) {
      child = ::hivex_node_add_child(FHive, node, part.c_str());
      if (child == 0) Fail("cannot add key " + part);
    }
    node = child;
  }
  return node;
}

void THiveBuilder::AddKey(std::string_view key) { Node(key); }

void THiveBuilder::SetRaw(std::string_view key, std::string_view name, int type,
                          std::string bytes) {
  hive_node_h node = Node(key);
  std::string n(name);
  hive_set_value v;
  v.key = n.data();
  v.t = hive_type(type);
  v.len = bytes.size();
  v.value = bytes.data();
  if (::hivex_node_set_value(FHive, node, &v, 0) != 0) Fail("cannot set value " + n);
}

void THiveBuilder::SetText(std::string_view key, std::string_view name, std::u16string_view text) {
  SetRaw(key, name, kRegSz, Utf16Le(text, true));
}
void THiveBuilder::SetExpandText(std::string_view key, std::string_view name,
                                 std::u16string_view text) {
  SetRaw(key, name, kRegExpandSz, Utf16Le(text, true));
}
void THiveBuilder::SetDWord(std::string_view key, std::string_view name, uint32_t value) {
  std::string b(4, '\0');
  Put32(b, 0, value);
  SetRaw(key, name, kRegDword, b);
}
void THiveBuilder::SetQWord(std::string_view key, std::string_view name, uint64_t value) {
  std::string b(8, '\0');
  Put32(b, 0, uint32_t(value));
  Put32(b, 4, uint32_t(value >> 32));
  SetRaw(key, name, kRegQword, b);
}
void THiveBuilder::SetMultiText(std::string_view key, std::string_view name,
                                const std::vector<std::u16string>& texts) {
  std::string b;
  for (const auto& t : texts) b += Utf16Le(t, true);
  b.append(2, '\0');
  SetRaw(key, name, kRegMultiSz, b);
}

void THiveBuilder::Commit() {
  if (::hivex_commit(FHive, nullptr, 0) != 0) Fail("cannot commit " + FPath);
}

}  // namespace kv::test

namespace kv::test {

std::string Windows7UserSid(size_t index) {
  return "S-1-5-21-1004336348-1177238915-682003330-" + std::to_string(1001 + index);
}

void WriteWindows7Tree(const std::string& root, const std::vector<std::string>& users,
                       std::u16string_view computerName) {
  namespace fs = std::filesystem;
  fs::create_directories(fs::path(root) / "Windows" / "System32" / "config");
  {
    THiveBuilder sw((fs::path(root) / "Windows/System32/config/SOFTWARE").string());
    const std::string cv = "Microsoft\\Windows NT\\CurrentVersion";
    sw.SetText(cv, "CurrentVersion", u"6.1");
    sw.SetText(cv, "CurrentBuildNumber", u"7601");
    sw.SetText(cv, "CSDVersion", u"Service Pack 1");
    sw.SetText(cv, "ProductName", u"Windows 7 Professional");
    sw.SetText(cv, "EditionID", u"Professional");
    sw.SetText(cv, "SystemRoot", u"C:\\Windows");
    sw.SetExpandText(cv + "\\ProfileList\\S-1-5-18", "ProfileImagePath",
                     u"%systemroot%\\system32\\config\\systemprofile");
    for (size_t i = 0; i < users.size(); ++i) {
      std::u16string folder = u"%SystemDrive%\\Users\\";
      for (char c : users[i]) folder += char16_t(uint8_t(c));
      sw.SetExpandText(cv + "\\ProfileList\\" + Windows7UserSid(i), "ProfileImagePath", folder);
    }
    sw.Commit();
  }
  {
    THiveBuilder sys((fs::path(root) / "Windows/System32/config/SYSTEM").string());
    sys.SetDWord("Select", "Current", 1);
    sys.SetText("ControlSet001\\Control\\ComputerName\\ComputerName", "ComputerName", computerName);
    sys.SetText("ControlSet001\\Control\\ProductOptions", "ProductType", u"WinNT");
    sys.SetText("ControlSet001\\Control\\Session Manager\\Environment", "PROCESSOR_ARCHITECTURE",
                u"AMD64");
    sys.Commit();
  }
  fs::create_directories(fs::path(root) / "Users" / "Public");
  for (const std::string& user : users) {
    fs::path profile = fs::path(root) / "Users" / user;
    fs::create_directories(profile / "AppData" / "Roaming");
    fs::create_directories(profile / "AppData" / "Local");
    fs::create_directories(profile / "Desktop");
    THiveBuilder nt((profile / "NTUSER.DAT").string());
    const char* usf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    nt.SetExpandText(usf, "AppData", u"%USERPROFILE%\\AppData\\Roaming");
    nt.SetExpandText(usf, "Local AppData", u"%USERPROFILE%\\AppData\\Local");
    nt.SetExpandText(usf, "Desktop", u"%USERPROFILE%\\Desktop");
    nt.Commit();
  }
}

}  // namespace kv::test
