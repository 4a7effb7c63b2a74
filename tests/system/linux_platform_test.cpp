// The live Linux platform: its parsers, and its facts on this machine.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "base/codepage.h"
#include "base/error.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/linux_platform.h"
#include "system/session.h"
#include "system/temp_tree.h"
#include "system/user_facts.h"

namespace kv {
namespace {

TEST(LinuxParsers, OsReleaseKernelAndDmi) {
  auto names = ParseOsRelease(
      "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
      "VERSION_ID=\"12\"\nVERSION=\"12 (bookworm)\"\nID=debian\n");
  EXPECT_EQ(names.first, u"Debian GNU/Linux");
  EXPECT_EQ(names.second, u"12 (bookworm)");
  names = ParseOsRelease("NAME=Arch Linux\r\nVERSION_ID='rolling'\n");
  EXPECT_EQ(names.first, u"Arch Linux");
  EXPECT_EQ(names.second, u"rolling");
  EXPECT_EQ(ParseOsRelease("garbage\n=\n\"").first, u"");

  uint32_t a, b, c;
  ParseKernelRelease("6.1.0-18-amd64", a, b, c);
  EXPECT_EQ(std::make_tuple(a, b, c), std::make_tuple(6u, 1u, 0u));
  ParseKernelRelease("5.15.153.1-microsoft-standard-WSL2", a, b, c);
  EXPECT_EQ(std::make_tuple(a, b, c), std::make_tuple(5u, 15u, 153u));
  ParseKernelRelease("4.19", a, b, c);
  EXPECT_EQ(std::make_tuple(a, b, c), std::make_tuple(4u, 19u, 0u));
  ParseKernelRelease("x", a, b, c);
  EXPECT_EQ(std::make_tuple(a, b, c), std::make_tuple(0u, 0u, 0u));
  ParseKernelRelease("99999999999.1", a, b, c);
  EXPECT_EQ(a, 0xFFFFFFFFu);

  EXPECT_EQ(VirtualMachinesFromDmi("VMware Virtual Platform", "VMware, Inc."), vmVMWare);
  EXPECT_EQ(VirtualMachinesFromDmi("VirtualBox", "innotek GmbH"), vmVirtualBox);
  EXPECT_EQ(VirtualMachinesFromDmi("Standard PC (Q35 + ICH9, 2009)", "QEMU"), vmQEMU);
  EXPECT_EQ(VirtualMachinesFromDmi("Virtual Machine", "Microsoft Corporation"), vmVirtualPC);
  EXPECT_EQ(VirtualMachinesFromDmi("ThinkPad X1", "LENOVO"), 0u);
}

TEST(LinuxPlatform, FactsOfThisMachine) {
  TSystemContext ctx(MakeLinuxPlatform());
  IPlatform& p = ctx.Platform();
  EXPECT_EQ(p.PathSeparator(), u'/');
  const TStartupFacts& f = ctx.Facts();
  EXPECT_EQ(f.OSVersion.PlatformId, kPlatformLinux);
  EXPECT_FALSE(f.OSName.empty());
  EXPECT_FALSE(f.CurrentUserName.empty());
  EXPECT_FALSE(f.MachineName.empty());
  EXPECT_GT(f.OSVersion.MajorVersion, 2u);
  EXPECT_EQ(f.ProgramVersion.ProductName, u"Kolvane");

  const char* home = ::getenv("HOME");
  if (home && *home) {
    std::u16string h = Utf8ToUtf16(home);
    while (h.size() > 1 && h.back() == u'/') h.pop_back();
    EXPECT_EQ(GetSpecialFolder(ctx, 26), h);
    EXPECT_EQ(GetUserSpecialFolder(ctx, u"", 26), h + u"/");
    EXPECT_EQ(GetUserProfileFolder(ctx, u""), h);
  }
  EXPECT_EQ(GetSpecialFolder(ctx, 12345), u"");
  EXPECT_FALSE(p.OpenKey(TRegistryRoot::LocalMachine, u"SOFTWARE"));
  EXPECT_EQ(GetUserSID(ctx, u"", f.CurrentUserName), u"");
  EXPECT_EQ(GetLoggedOnUser(ctx, -1), f.CurrentUserName);
  TSessionTypes session = GetSessionTypes(ctx);
  EXPECT_NE(session.Contains(TSessionType::stLocal), session.Contains(TSessionType::stTerminal));
  if (::geteuid() == 0) {
    EXPECT_TRUE(IsAdmin(ctx));
  }
  for (const std::u16string& a : Split(GetLocalIPAddresses(ctx), u',')) {
    if (!a.empty()) {
      EXPECT_EQ(Split(a, u'.').size(), 4u) << Utf16ToUtf8(a);
    }
  }
  TVersionInfo own;
  EXPECT_TRUE(GetVersionInfo(p, p.ProgramFile(), own));
  EXPECT_EQ(own.ProductName, u"Kolvane");
}

TEST(LinuxPlatform, FilesOpenReadOnlyWithClearErrors) {
  test::TTempTree tree;
  std::string file = tree.Write("dir/data.bin", "hello world");
  TSystemContext ctx(MakeLinuxPlatform());
  IPlatform& p = ctx.Platform();
  auto stream = p.OpenRead(Utf8ToUtf16(file));
  EXPECT_EQ(stream->Size(), 11u);
  EXPECT_EQ(ReadBytes(*stream, 6, 100), "world");
  EXPECT_EQ(ReadBytes(*stream, 11, 5), "");
  EXPECT_EQ(ReadBytes(*stream, 1000, 5), "");

  try {
    p.OpenRead(Utf8ToUtf16(tree.Path("dir/missing.bin")));
    FAIL() << "a missing file opens";
  } catch (const EKolvaneError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos) << e.what();
  }
  EXPECT_THROW(p.OpenRead(Utf8ToUtf16(tree.Path("dir"))), EKolvaneError);
  ASSERT_EQ(::mkfifo(tree.Path("dir/pipe").c_str(), 0600), 0);
  EXPECT_THROW(p.OpenRead(Utf8ToUtf16(tree.Path("dir/pipe"))), EKolvaneError)
      << "a FIFO is refused, not waited on";

  auto status = p.Status(Utf8ToUtf16(file));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->Size, 11);
  EXPECT_EQ(status->Attributes, uint32_t(faNormal));
  status = p.Status(Utf8ToUtf16(tree.Path("dir")));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->Attributes, uint32_t(faDirectory));
  EXPECT_FALSE(p.Status(u"/no/such/path"));
  EXPECT_EQ(GetFileSizeByName(ctx, Utf8ToUtf16(tree.Path("dir/*.bin"))), 11);
}

// --- The Linux platform against find(1) ---

std::set<std::string> FindOutput(const std::string& command) {
  std::set<std::string> out;
  std::string text = test::RunCommand(command);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) out.insert(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::set<std::string> FindFilesSet(const TSystemContext& ctx, const std::string& root,
                                   std::u16string_view mask, uint32_t attr) {
  TStringList list;
  FindFiles(ctx, Utf8ToUtf16(root), mask, attr, &list, true, true);
  std::set<std::string> out;
  for (const auto& p : list) out.insert(Utf16ToUtf8(p));
  EXPECT_EQ(out.size(), list.size()) << "no path twice";
  return out;
}

TEST(FindFilesOnLinux, AgreesWithFind) {
  test::TTempTree tree;
  const std::string root = tree.Folder("store");
  const char* names[] = {"a.eml",       "B.EML",          "c.Eml.bak", "Inbox", "Inbox.msf",
                         "x.dbx",       "Y.MBX",          "z.abx",     "noext", ".hidden",
                         ".hidden.eml", "weird name.eml", "t.bx"};
  for (int f = 0; f < 6; ++f) {
    std::string folder = "store/f" + std::to_string(f) + (f % 2 ? ".sbd" : "");
    if (f >= 3) folder += "/deep" + std::to_string(f) + "/deeper";
    for (int i = 0; i < 13; ++i) {
      if ((i + f) % 3 == 0) continue;
      tree.Write(folder + "/" + names[i], std::string(size_t(i), 'x'));
    }
  }
  tree.Folder("store/empty");
  tree.Folder("store/Folder.EML");
  ::symlink("../..", tree.Path("store/f4/deep4/loop").c_str());  // loops back to store

  TSystemContext ctx(MakeLinuxPlatform());
  // find does not follow the link; FindFiles lists it (a folder) but does not descend into it.
  const std::string prune = " \\( -name loop -prune -o -true \\)";
  EXPECT_EQ(FindFilesSet(ctx, root, u"*.eml", 0x1FF),
            FindOutput("find " + root + " -mindepth 1" + prune + " -iname '*.eml' -print"));
  EXPECT_EQ(FindFilesSet(ctx, root, u"*.?bx", 0x1FF),
            FindOutput("find " + root + " -mindepth 1" + prune + " -iname '*.?bx' -print"));
  EXPECT_EQ(FindFilesSet(ctx, root, u"*.", 0x1FF),
            FindOutput("find " + root + " -mindepth 1" + prune + " ! -name '*.*' -print"));
  EXPECT_EQ(
      FindFilesSet(ctx, root, u"*.*", faDirectory),
      FindOutput("find " + root + " -mindepth 1" + prune + " \\( -type d -o -xtype d \\) -print"));

  // Without the total the walk lists the same paths in the same order.
  for (const char16_t* mask : {u"*.eml", u"*.", u"*.?bx"}) {
    TStringList withTotal, pathsOnly;
    FindFiles(ctx, Utf8ToUtf16(root), mask, 0x1FF, &withTotal, true, true);
    FindFilePaths(ctx, Utf8ToUtf16(root), mask, 0x1FF, pathsOnly, true, true);
    EXPECT_EQ(withTotal, pathsOnly);
  }
  // The total is the size of the matching files.
  int64_t expected = 0;
  for (const std::string& p : FindOutput("find " + root + " -type f -iname '*.eml'")) {
    expected += int64_t(std::filesystem::file_size(p));
  }
  EXPECT_EQ(FindFiles(ctx, Utf8ToUtf16(root), u"*.eml", 0x1FF, nullptr, true, true), expected);
  EXPECT_EQ(GetFileSizeByName(ctx, Utf8ToUtf16(root + "/f1.sbd/B.EML")), 1);
  EXPECT_EQ(GetFileSizeByName(ctx, Utf8ToUtf16(root + "/f1.sbd/nothing")), -1);
}

}  // namespace
}  // namespace kv
