// The live Linux platform: its parsers, and its facts on this machine.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

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

}  // namespace
}  // namespace kv
