#include "system/linux_platform.h"

#include <arpa/inet.h>
#include <grp.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "base/codepage.h"
#include "base/text.h"
#include "system/path.h"
#include "system/posix_files.h"
#include "system/version_info.h"

extern char** environ;

namespace kv {
namespace {

std::string ReadSmallFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream out;
  out << in.rdbuf();
  std::string text = out.str();
  if (text.size() > 65536) text.resize(65536);
  return text;
}

std::string Chomp(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string Env(const char* name) {
  const char* v = ::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = ::getpwuid(::geteuid())) {
    if (pw->pw_dir) return pw->pw_dir;
  }
  return {};
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

class TLinuxPlatform final : public IPlatform {
 public:
  char16_t PathSeparator() const override { return u'/'; }

  std::unique_ptr<IFolderListing> ListFolder(std::u16string_view folder) override {
    return ListPosixFolder(Utf16ToUtf8(folder));
  }
  std::optional<TFileStatus> Status(std::u16string_view path) override {
    return PosixStatus(Utf16ToUtf8(path));
  }
  std::unique_ptr<IReadStream> OpenRead(std::u16string_view path) override {
    return OpenPosixFile(Utf16ToUtf8(path), path);
  }

  std::unique_ptr<IRegistryKey> OpenKey(TRegistryRoot, std::u16string_view) override {
    return nullptr;
  }

  TStringList Environment() override {
    TStringList out;
    for (char** e = environ; e && *e; ++e) out.push_back(Utf8ToUtf16(*e));
    return out;
  }

  std::u16string ComputerName() override {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return Utf8ToUtf16(buf);
  }

  TOSVersionRecord OSVersion() override {
    TOSVersionRecord v;
    v.PlatformId = kPlatformLinux;
    v.ProductType = 1;
    struct utsname u;
    if (::uname(&u) == 0) {
      ParseKernelRelease(u.release, v.MajorVersion, v.MinorVersion, v.BuildNumber);
      v.CSDVersion = Utf8ToUtf16(u.release);
      if (v.CSDVersion.size() > 128) v.CSDVersion.resize(128);
    }
    return v;
  }

  uint32_t ProcessorArchitecture() override {
    std::string m = Machine();
    if (m == "x86_64") return kArchitectureX64;
    if (m == "ia64") return kArchitectureIA64;
    if (m == "aarch64") return kArchitectureArm64;
    if (StartsWith(m, "arm")) return kArchitectureArm;
    return kArchitectureX86;
  }

  bool Is64BitHost() override {
    std::string m = Machine();
    return sizeof(void*) == 4 && (m == "x86_64" || m == "aarch64");
  }

  std::optional<uint32_t> ProductInfo(uint32_t, uint32_t, uint32_t, uint32_t) override {
    return std::nullopt;
  }
  uint32_t SystemKinds() override { return 0; }

  std::optional<std::pair<std::u16string, std::u16string>> OwnOSName() override {
    std::string text = ReadSmallFile("/etc/os-release");
    if (text.empty()) text = ReadSmallFile("/usr/lib/os-release");
    auto names = ParseOsRelease(text);
    if (names.first.empty()) names.first = u"Linux";
    return names;
  }

  uint32_t VirtualMachines() override {
    return VirtualMachinesFromDmi(Chomp(ReadSmallFile("/sys/class/dmi/id/product_name")),
                                  Chomp(ReadSmallFile("/sys/class/dmi/id/sys_vendor")));
  }

  TStringList IPv4Addresses() override {
    TStringList out;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return out;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
      if (a->ifa_flags & IFF_LOOPBACK) continue;
      char buf[INET_ADDRSTRLEN] = {};
      auto* in = reinterpret_cast<sockaddr_in*>(a->ifa_addr);
      if (::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf)) {
        std::u16string text = Utf8ToUtf16(buf);
        bool seen = false;
        for (const auto& s : out) seen = seen || s == text;
        if (!seen) out.push_back(text);
      }
    }
    ::freeifaddrs(list);
    return out;
  }

  std::u16string WorkgroupName(std::u16string_view) override { return {}; }

  std::u16string AccountName() override {
    if (const passwd* pw = ::getpwuid(::geteuid())) {
      if (pw->pw_name) return Utf8ToUtf16(pw->pw_name);
    }
    std::string user = Env("USER");
    if (user.empty()) user = Env("LOGNAME");
    return Utf8ToUtf16(user);
  }

  std::u16string AccountSid(std::u16string_view, std::u16string_view) override { return {}; }

  bool TokenHoldsAdministrators() override {
    if (::geteuid() == 0) return true;
    int count = ::getgroups(0, nullptr);
    if (count < 0) return false;
    std::vector<gid_t> groups(size_t(count) + 1);
    count = ::getgroups(int(groups.size()), groups.data());
    if (count < 0) return false;
    groups.resize(size_t(count));
    groups.push_back(::getegid());
    for (gid_t g : groups) {
      if (const group* gr = ::getgrgid(g)) {
        std::string_view name = gr->gr_name ? gr->gr_name : "";
        if (name == "sudo" || name == "wheel" || name == "admin") return true;
      }
    }
    return false;
  }

  std::u16string SpecialFolder(int id) override {
    std::string home = HomeFolder();
    if (home.empty()) return {};
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    std::u16string h = Utf8ToUtf16(home);
    switch (id) {
      case sfDesktop: return JoinPath(h, u"Desktop", u'/');
      case sfAppData: return h;
      case sfLocalAppData: {
        std::string data = Env("XDG_DATA_HOME");
        if (!data.empty() && data[0] == '/') {
          while (data.size() > 1 && data.back() == '/') data.pop_back();
          return Utf8ToUtf16(data);
        }
        return JoinPath(h, u".local/share", u'/');
      }
      default: return {};
    }
  }

  bool IsRemoteSession() override {
    return !Env("SSH_CONNECTION").empty() || !Env("SSH_CLIENT").empty() || !Env("SSH_TTY").empty();
  }
  int32_t ProcessSessionId() override { return -1; }
  int32_t ConsoleSessionId() override { return -1; }
  std::optional<TAccountName> SessionUser(int32_t) override { return std::nullopt; }
  std::optional<TProcessAccount> ProcessAccount(std::u16string_view, int32_t) override {
    return std::nullopt;
  }

  std::u16string ProgramFile() override {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return Utf8ToUtf16(std::string_view(buf, size_t(n)));
  }

  std::optional<TFileVersionFacts> FileVersion(std::u16string_view path) override {
    if (!path.empty() && path == ProgramFile()) return OwnVersionFacts();
    return std::nullopt;
  }

 private:
  static std::string Machine() {
    struct utsname u;
    return ::uname(&u) == 0 ? std::string(u.machine) : std::string();
  }
};

}  // namespace

std::unique_ptr<IPlatform> MakeLinuxPlatform() { return std::make_unique<TLinuxPlatform>(); }

std::pair<std::u16string, std::u16string> ParseOsRelease(std::string_view text) {
  std::string name, version, versionId;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    std::string value(line.substr(eq + 1));
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
      value = value.substr(1, value.size() - 2);
    }
    if (key == "NAME")
      name = value;
    else if (key == "VERSION")
      version = value;
    else if (key == "VERSION_ID")
      versionId = value;
  }
  if (version.empty()) version = versionId;
  return {Utf8ToUtf16(name), Utf8ToUtf16(version)};
}

void ParseKernelRelease(std::string_view release, uint32_t& major, uint32_t& minor,
                        uint32_t& build) {
  uint32_t* parts[] = {&major, &minor, &build};
  for (uint32_t* p : parts) *p = 0;
  size_t i = 0;
  for (uint32_t* p : parts) {
    if (i >= release.size() || release[i] < '0' || release[i] > '9') return;
    uint64_t v = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
      v = v * 10 + uint64_t(release[i] - '0');
      if (v > 0xFFFFFFFFu) v = 0xFFFFFFFFu;
      ++i;
    }
    *p = uint32_t(v);
    if (i >= release.size() || release[i] != '.') return;
    ++i;
  }
}

uint32_t VirtualMachinesFromDmi(std::string_view product, std::string_view vendor) {
  std::u16string p = AsciiUpper(Utf8ToUtf16(product));
  std::u16string v = AsciiUpper(Utf8ToUtf16(vendor));
  auto has = [](const std::u16string& s, const char16_t* what) {
    return s.find(what) != std::u16string::npos;
  };
  uint32_t out = 0;
  if (has(p, u"VMWARE") || has(v, u"VMWARE")) out |= vmVMWare;
  if (has(p, u"VIRTUALBOX") || has(v, u"INNOTEK")) out |= vmVirtualBox;
  if (has(p, u"QEMU") || has(v, u"QEMU") || has(p, u"KVM")) out |= vmQEMU;
  if (has(p, u"VIRTUAL MACHINE") && has(v, u"MICROSOFT")) out |= vmVirtualPC;
  return out;
}

}  // namespace kv
