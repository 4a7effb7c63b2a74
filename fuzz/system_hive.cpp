// Reads a damaged registry hive through THive: every key to a bounded depth, every value, the
// subkey and value names. The input is laid over a valid hive (empty, or one with keys and values
// of every type) or taken whole; the header's magic and checksum are mended so that the reader
// gets past them and into the cells.
#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/hive_builder.h"
#include "system/hive.h"

namespace {

std::string RichHive() {
  char path[] = "/tmp/kolvane-fuzz-hive-XXXXXX";
  int fd = ::mkstemp(path);
  if (fd < 0) return kv::test::EmptyHiveBytes();
  ::close(fd);
  {
    kv::test::THiveBuilder b(path);
    b.SetText("Microsoft\\Windows NT\\CurrentVersion", "ProductName", u"Windows 7");
    b.SetExpandText("Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-1001",
                    "ProfileImagePath", u"%SystemDrive%\\Users\\anna");
    b.SetDWord("Select", "Current", 1);
    b.SetQWord("Select", "Big", 0x0123456789ABCDEFull);
    b.SetMultiText("ControlSet001\\Control\\ProductOptions", "ProductSuite", {u"Personal", u"x"});
    for (int i = 0; i < 40; ++i) b.AddKey("Many\\Key" + std::to_string(i));
    b.Commit();
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  ::unlink(path);
  return bytes.str();
}

void MendHeader(std::string& b) {
  if (b.size() < 0x200) return;
  b.replace(0, 4, "regf");
  uint32_t sum = 0;
  for (size_t at = 0; at < 0x1FC; at += 4) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(uint8_t(b[at + k])) << (8 * k);
    sum ^= v;
  }
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  if (sum == 0) sum = 1;
  for (int k = 0; k < 4; ++k) b[0x1FC + k] = char((sum >> (8 * k)) & 0xFF);
}

void Walk(kv::THive& hive, size_t node, int depth, int& budget) {
  if (node == 0 || depth > 12 || --budget < 0) return;
  for (const std::u16string& name : hive.ValueNames(node)) {
    hive.Value(node, name);
    hive.MultiText(node, name);
  }
  hive.Value(node, u"");
  for (const std::u16string& name : hive.ChildNames(node)) {
    Walk(hive, hive.Child(node, name), depth + 1, budget);
    if (budget < 0) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string kEmpty = kv::test::EmptyHiveBytes();
  static const std::string kRich = RichHive();
  static int fd = ::memfd_create("kolvane-hive", 0);
  if (fd < 0 || size == 0) return 0;

  std::string bytes;
  const uint8_t mode = data[0] % 3;
  ++data;
  --size;
  if (mode == 0) {
    bytes.assign(reinterpret_cast<const char*>(data), size);
  } else {
    // Pairs of (offset, byte) patch a valid hive, so the damage lands inside its cells.
    bytes = mode == 1 ? kEmpty : kRich;
    for (size_t i = 0; i + 3 <= size; i += 3) {
      size_t at = (size_t(data[i]) | size_t(data[i + 1]) << 8) % bytes.size();
      bytes[at] = char(data[i + 2]);
    }
  }
  MendHeader(bytes);

  if (::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) {
    return 0;
  }
  std::u16string error;
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (std::shared_ptr<kv::THive> hive = kv::THive::Open(path, error)) {
    int budget = 2000;
    Walk(*hive, hive->Root(), 0, budget);
    hive->Find(u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList");
    hive->Find(u"\u00c4\\x");
  }
  return 0;
}
