// The registry hives of the sample machine: SOFTWARE (Windows 7 Professional SP1 and the profile
// list), SYSTEM (the current control set, computer name, processor) and Clara's NTUSER.DAT (her
// shell folders, the Outlook Express identities and the Windows Mail and Windows Live Mail
// stores).
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "sample_text.h"
#include "sample_tree.h"
#include "support/hive_builder.h"

namespace kv::samples {
namespace {

std::u16string Wide(std::string_view utf8) {
  // The registry texts here are ASCII.
  std::u16string out;
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) > 0x7F) throw std::runtime_error("registry text not ASCII");
    out += char16_t(c);
  }
  return out;
}

std::string Narrow(std::string_view s) { return std::string(s); }

// hivex leaves the header's last-written time and the keys' times as they were (zero in the
// builder's empty hive) and bumps both sequence numbers on commit, so the file depends only on
// what was added. The check keeps it that way should a later hivex stamp the time of the run.
void CheckNoTimestamps(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 0x1000 || b.compare(0, 4, "regf") != 0) {
    throw std::runtime_error("hive not written: " + path);
  }
  for (size_t i = 0x0C; i < 0x14; ++i) {
    if (b[i] != 0) throw std::runtime_error("hive header carries a time stamp: " + path);
  }
}

void WriteSoftware(TSampleTree& tree) {
  const std::string path = tree.Prepare("C:\\Windows\\System32\\config\\SOFTWARE");
  {
    test::THiveBuilder h(path, "SOFTWARE");
    const std::string cv = "Microsoft\\Windows NT\\CurrentVersion";
    h.SetText(cv, "CurrentVersion", u"6.1");
    h.SetText(cv, "CurrentBuild", u"7601");
    h.SetText(cv, "CurrentBuildNumber", u"7601");
    h.SetText(cv, "CSDVersion", u"Service Pack 1");
    h.SetText(cv, "ProductName", u"Windows 7 Professional");
    h.SetText(cv, "EditionID", u"Professional");
    h.SetText(cv, "CurrentType", u"Multiprocessor Free");
    h.SetText(cv, "RegisteredOwner", u"Clara Berg");
    h.SetText(cv, "SystemRoot", u"C:\\Windows");
    h.SetDWord(cv, "InstallDate", 1262332800);  // 2010-01-01
    const std::string list = cv + "\\ProfileList";
    h.SetExpandText(list, "ProfilesDirectory", u"%SystemDrive%\\Users");
    h.SetExpandText(list, "ProgramData", u"%SystemDrive%\\ProgramData");
    h.SetExpandText(list, "Public", u"%SystemDrive%\\Users\\Public");
    h.SetExpandText(list, "Default", u"%SystemDrive%\\Users\\Default");
    h.SetExpandText(list + "\\S-1-5-18", "ProfileImagePath",
                    u"%systemroot%\\system32\\config\\systemprofile");
    h.SetExpandText(list + "\\S-1-5-19", "ProfileImagePath",
                    u"C:\\Windows\\ServiceProfiles\\LocalService");
    h.SetExpandText(list + "\\S-1-5-20", "ProfileImagePath",
                    u"C:\\Windows\\ServiceProfiles\\NetworkService");
    const std::string user = list + "\\" + Narrow(kUserSid);
    h.SetExpandText(user, "ProfileImagePath", Wide(kProfileFolder));
    h.SetDWord(user, "Flags", 0);
    h.SetDWord(user, "State", 0);
    // The mail programs the machine knows; Kolvane reads the users' keys only.
    h.SetText("Clients\\Mail", "", u"Windows Live Mail");
    h.AddKey("Clients\\Mail\\Windows Live Mail");
    h.AddKey("Clients\\Mail\\Mozilla Thunderbird");
    h.SetText("Mozilla\\Mozilla Thunderbird", "CurrentVersion", u"17.0.8 (en-US)");
    h.Commit();
  }
  CheckNoTimestamps(path);
}

void WriteSystem(TSampleTree& tree) {
  const std::string path = tree.Prepare("C:\\Windows\\System32\\config\\SYSTEM");
  {
    test::THiveBuilder h(path, "SYSTEM");
    h.SetDWord("Select", "Current", 1);
    h.SetDWord("Select", "Default", 1);
    h.SetDWord("Select", "Failed", 0);
    h.SetDWord("Select", "LastKnownGood", 2);
    const std::string cs = "ControlSet001\\Control";
    h.SetText(cs + "\\ComputerName\\ComputerName", "ComputerName", Wide(kMachineName));
    h.SetText(cs + "\\ProductOptions", "ProductType", u"WinNT");
    h.SetMultiText(cs + "\\ProductOptions", "ProductSuite", {u"Terminal Server"});
    h.SetText(cs + "\\Session Manager\\Environment", "PROCESSOR_ARCHITECTURE", u"AMD64");
    h.SetText(cs + "\\Session Manager\\Environment", "NUMBER_OF_PROCESSORS", u"2");
    h.SetDWord(cs + "\\Windows", "CSDVersion", 0x100);  // service pack 1.0
    // The last known good set: an older computer name that must not be read.
    h.SetText("ControlSet002\\Control\\ComputerName\\ComputerName", "ComputerName", u"NEW-PC");
    h.Commit();
  }
  CheckNoTimestamps(path);
}

void WriteUser(TSampleTree& tree) {
  const std::string path = tree.Prepare(std::string(kProfileFolder) + "\\NTUSER.DAT");
  {
    test::THiveBuilder h(path, "NTUSER");
    const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    const std::string usf = explorer + "\\User Shell Folders";
    h.SetExpandText(usf, "AppData", u"%USERPROFILE%\\AppData\\Roaming");
    h.SetExpandText(usf, "Local AppData", u"%USERPROFILE%\\AppData\\Local");
    h.SetExpandText(usf, "Desktop", u"%USERPROFILE%\\Desktop");
    h.SetExpandText(usf, "Personal", u"%USERPROFILE%\\Documents");
    const std::string sf = explorer + "\\Shell Folders";
    const std::u16string profile = Wide(kProfileFolder);
    h.SetText(sf, "AppData", profile + u"\\AppData\\Roaming");
    h.SetText(sf, "Local AppData", profile + u"\\AppData\\Local");
    h.SetText(sf, "Desktop", profile + u"\\Desktop");
    h.SetText(sf, "Personal", profile + u"\\Documents");

    // Two Outlook Express identities; the collector finds their files below Identities.
    const std::string a = GuidName(101), b = GuidName(102);
    h.SetText("Identities", "Default User ID", Wide(a));
    h.SetText("Identities", "Last User ID", Wide(a));
    h.SetText("Identities", "Last Username", u"Clara");
    const std::pair<std::string, std::u16string> ids[] = {{a, u"Clara"}, {b, u"Verein"}};
    uint32_t ordinal = 1;
    for (const auto& [id, name] : ids) {
      const std::string key = "Identities\\" + id;
      h.SetText(key, "Username", name);
      h.SetText(key, "User ID", Wide(id));
      h.SetDWord(key, "Identity Ordinal", ordinal++);
      h.SetExpandText(key + "\\Software\\Microsoft\\Outlook Express\\5.0", "Store Root",
                      u"%UserProfile%\\AppData\\Local\\Identities\\" + Wide(id) +
                          u"\\Microsoft\\Outlook Express");
    }

    h.SetExpandText("Software\\Microsoft\\Windows Mail", "Store Root",
                    u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Mail");
    h.SetDWord("Software\\Microsoft\\Windows Mail", "Flags", 7);
    h.SetExpandText("Software\\Microsoft\\Windows Live Mail", "Store Root",
                    u"%UserProfile%\\AppData\\Local\\Microsoft\\Windows Live Mail");
    h.SetText("Software\\Microsoft\\Windows Live Mail", "Default Mail Account",
              Wide(kDefaultMailAccount));
    h.Commit();
  }
  CheckNoTimestamps(path);
}

}  // namespace

std::string IdentityFolder(int which) { return GuidName(which == 0 ? 101 : 102); }

void WriteRegistry(TSampleTree& tree) {
  WriteSoftware(tree);
  WriteSystem(tree);
  WriteUser(tree);
}

}  // namespace kv::samples
