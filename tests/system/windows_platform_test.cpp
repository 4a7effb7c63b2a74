// The live Windows platform (run under Wine in the cross build): the facts of this machine, the
// registry, and files and folders on a real disk, shared as a mail client shares its store.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/codepage.h"
#include "base/error.h"
#include "system/context.h"
#include "system/environment.h"
#include "system/file_search.h"
#include "system/registry.h"
#include "system/session.h"
#include "system/temp_tree.h"
#include "system/user_facts.h"
#include "system/windows_platform.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::u16string U16(const fs::path& p) { return p.u16string(); }

// A key of the running user's own, written through advapi32 and removed afterwards.
class TTestKey {
 public:
  TTestKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &FKey, nullptr),
              ERROR_SUCCESS);
  }
  ~TTestKey() {
    RegCloseKey(FKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
  }
  void Set(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    EXPECT_EQ(RegSetValueExW(FKey, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  void SetText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    Set(name, type, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
  }
  static constexpr const wchar_t* kPath = L"Software\\Kolvane Tests";
  static constexpr const char16_t* kPath16 = u"Software\\Kolvane Tests";

 private:
  HKEY FKey = nullptr;
};

TEST(WindowsPlatform, FactsOfThisMachine) {
  TSystemContext ctx(MakeWindowsPlatform());
  IPlatform& p = ctx.Platform();
  EXPECT_EQ(p.PathSeparator(), u'\\');
  const TStartupFacts& f = ctx.Facts();
  EXPECT_EQ(f.OSVersion.PlatformId, uint32_t(kPlatformWin32NT));
  EXPECT_GE(f.OSVersion.MajorVersion, 6u);
  EXPECT_FALSE(f.OSName.empty());
  EXPECT_TRUE(f.OSName.starts_with(u"Windows") || f.OSName.starts_with(u"Microsoft Windows"))
      << Utf16ToUtf8(f.OSName);
  EXPECT_FALSE(f.CurrentUserName.empty());
  EXPECT_FALSE(f.MachineName.empty());
  EXPECT_EQ(f.ProcessorArchitecture, uint32_t(kArchitectureX64));
  EXPECT_FALSE(f.Is64BitHost) << "a 64-bit program is no 32-bit program on a 64-bit system";

  // The running user: a SID, a profile folder, and the shell folders below it.
  const std::u16string sid = GetUserSID(ctx, u"", f.CurrentUserName);
  EXPECT_TRUE(sid.starts_with(u"S-1-5-")) << Utf16ToUtf8(sid);
  const std::u16string profile = GetUserProfileFolder(ctx, u"");
  ASSERT_FALSE(profile.empty());
  EXPECT_TRUE(fs::is_directory(fs::path(profile))) << Utf16ToUtf8(profile);
  for (int id : {26, 28}) {
    const std::u16string folder = GetSpecialFolder(ctx, id);
    EXPECT_TRUE(fs::is_directory(fs::path(folder))) << id;
    EXPECT_NE(folder.back(), u'\\');
    EXPECT_EQ(GetUserSpecialFolder(ctx, u"", id), folder + u"\\");
    EXPECT_TRUE(StartsWithAscii(folder, profile + u"\\")) << Utf16ToUtf8(folder);
  }
  EXPECT_EQ(GetSpecialFolder(ctx, 12345), u"");
  EXPECT_EQ(GetUserSID(ctx, u"", u"no-such-account-anywhere"), u"");
  EXPECT_FALSE(GetLoggedOnUser(ctx, -1).empty());
  const TSessionTypes session = GetSessionTypes(ctx);
  EXPECT_NE(session.Contains(TSessionType::stLocal), session.Contains(TSessionType::stTerminal));
  for (const std::u16string& a : Split(GetLocalIPAddresses(ctx), u',')) {
    if (!a.empty()) {
      EXPECT_EQ(Split(a, u'.').size(), 4u) << Utf16ToUtf8(a);
    }
  }
  // The environment block, and %NAME% expansion through it.
  EXPECT_EQ(ExpandEnvVars(ctx, u"%UserProfile%\\x"), profile + u"\\x");
}

TEST(WindowsPlatform, VersionResourceOfTheProgram) {
  auto platform = MakeWindowsPlatform();
  const fs::path self(platform->ProgramFile());
  ASSERT_TRUE(self.is_absolute());
  // A test program carries no version resource; kolvane-cli.exe beside the build carries one.
  TVersionInfo info;
  EXPECT_FALSE(GetVersionInfo(*platform, self.u16string(), info));
  EXPECT_EQ(info.FileName, self.u16string());
  // tests/system/system_tests.exe -> src/cli/kolvane-cli.exe of the same build.
  const fs::path cli =
      self.parent_path().parent_path().parent_path() / "src" / "cli" / KOLVANE_CLI_PROGRAM;
  ASSERT_TRUE(GetVersionInfo(*platform, cli.u16string(), info)) << cli.string();
  EXPECT_EQ(info.ProductName, u"Kolvane");
  EXPECT_EQ(info.Description, u"Kolvane mail history");
  EXPECT_EQ(info.OriginalFilename, u"kolvane-cli.exe");
  EXPECT_EQ(info.Version.substr(0, 4), u"0.1.") << "from the project version";
  EXPECT_EQ(info.Major, 0u);
  EXPECT_EQ(info.Minor, 1u);
  EXPECT_FALSE(info.PreRelease);
}

TEST(WindowsPlatform, RegistryValuesOfEveryTypeInBothUserRoots) {
  TTestKey key;
  key.SetText(L"Store Root", L"%UserProfile%\\Mail", REG_EXPAND_SZ);
  key.SetText(L"Name", L"Caf\u00e9");
  key.SetText(L"", L"the default value");
  const DWORD dword = 0x81234567;
  key.Set(L"Flags", REG_DWORD, &dword, sizeof dword);
  const uint64_t qword = 0x0102030405060708;
  key.Set(L"Big", REG_QWORD, &qword, sizeof qword);
  key.Set(L"Blob", REG_BINARY, "\x01\x02", 2);
  // A text stored without its terminator still reads whole.
  key.Set(L"Bare", REG_SZ, L"abc", 6);
  HKEY sub = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kolvane Tests\\Child", 0, nullptr, 0, KEY_WRITE,
                  nullptr, &sub, nullptr);
  RegCloseKey(sub);

  TSystemContext ctx(MakeWindowsPlatform());
  IPlatform& p = ctx.Platform();
  const std::u16string sid = GetUserSID(ctx, u"", ctx.Facts().CurrentUserName);
  for (auto [root, path] :
       {std::pair{TRegistryRoot::CurrentUser, std::u16string(TTestKey::kPath16)},
        std::pair{TRegistryRoot::Users, sid + u"\\" + TTestKey::kPath16}}) {
    SCOPED_TRACE(Utf16ToUtf8(path));
    std::unique_ptr<IRegistryKey> k = p.OpenKey(root, u"\\" + path);
    ASSERT_TRUE(k);
    auto root16 = k->Value(u"Store Root");
    ASSERT_TRUE(root16);
    EXPECT_EQ(root16->Type, TRegistryValueType::ExpandText);
    EXPECT_EQ(root16->Text, u"%UserProfile%\\Mail") << "read unexpanded";
    EXPECT_EQ(k->Value(u"name")->Text, u"Caf\u00e9") << "names compare without case";
    EXPECT_EQ(k->Value(u"")->Text, u"the default value");
    EXPECT_EQ(k->Value(u"Flags")->Number, 0x81234567u);
    EXPECT_EQ(k->Value(u"Big")->Number, 0x0102030405060708u);
    EXPECT_EQ(k->Value(u"Bare")->Text, u"abc");
    EXPECT_FALSE(k->Value(u"Blob")) << "a binary value is none of the four types";
    EXPECT_FALSE(k->Value(u"Missing"));
    EXPECT_EQ(k->SubKeyNames(), TStringList{u"Child"});
    TStringList names = k->ValueNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (TStringList{u"", u"Bare", u"Big", u"Blob", u"Flags", u"Name", u"Store Root"}));
  }
  EXPECT_FALSE(p.OpenKey(TRegistryRoot::CurrentUser, u"Software\\Kolvane Tests\\Nowhere"));
  EXPECT_EQ(ReadRegistryText(p, TRegistryRoot::LocalMachine,
                             u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"ProductName")
                .value_or(u"")
                .empty(),
            false);
}

TEST(WindowsPlatform, FilesOpenSharedWithTheirWriterAndWithClearErrors) {
  test::TTempTree tree;
  const std::string file = tree.Write("dir/Inbox.dbx", "hello world");
  // A mail client holds its store open for writing and lets others read and write.
  HANDLE client =
      CreateFileW(fs::path(file).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(client, INVALID_HANDLE_VALUE);
  TSystemContext ctx(MakeWindowsPlatform());
  IPlatform& p = ctx.Platform();
  {
    auto stream = p.OpenRead(U16(file));
    EXPECT_EQ(stream->Size(), 11u);
    EXPECT_EQ(ReadBytes(*stream, 6, 100), "world");
    EXPECT_EQ(ReadBytes(*stream, 11, 5), "");
    EXPECT_EQ(ReadBytes(*stream, 1000, 5), "");
    // While the scan reads, the client goes on writing.
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(client, "HELLO", 5, &written, nullptr));
    EXPECT_EQ(ReadBytes(*stream, 0, 5), "HELLO");
  }
  CloseHandle(client);
  try {
    p.OpenRead(U16(tree.Path("dir/missing.bin")));
    FAIL() << "a missing file opens";
  } catch (const EKolvaneError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos) << e.what();
  }
  EXPECT_THROW(p.OpenRead(U16(tree.Path("dir"))), EKolvaneError) << "a folder is no file";

  auto status = p.Status(U16(file));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->Size, 11);
  EXPECT_TRUE(status->Attributes & (faArchive | faNormal));
  status = p.Status(U16(tree.Path("dir")));
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->Attributes & faDirectory);
  EXPECT_EQ(status->Size, 0);
  EXPECT_FALSE(p.Status(u"C:\\no\\such\\path"));
  EXPECT_EQ(GetFileSizeByName(ctx, U16(tree.Path("dir\\*.dbx"))), 11);
}

// Removes a tree whose paths are too long for std::filesystem.
void RemoveLongTree(const std::u16string& folder) {
  const std::wstring base = L"\\\\?\\" + std::wstring(folder.begin(), folder.end());
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((base + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::u16string child = folder + u"\\" + std::u16string(name.begin(), name.end());
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveLongTree(child);
      else
        DeleteFileW((base + L"\\" + name).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(base.c_str());
}

TEST(WindowsPlatform, PathsBeyondMaxPath) {
  test::TTempTree tree;
  std::u16string folder = U16(tree.Root());
  for (int i = 0; i < 12; ++i) folder += u"\\" + std::u16string(30, char16_t(u'a' + i));
  ASSERT_GT(folder.size(), 300u);
  ASSERT_TRUE(fs::create_directories(fs::path(u"\\\\?\\" + folder)));
  const std::u16string file = folder + u"\\Inbox.dbx";
  HANDLE h = CreateFileW(fs::path(u"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, "12345", 5, &written, nullptr);
  CloseHandle(h);

  TSystemContext ctx(MakeWindowsPlatform());
  EXPECT_EQ(ReadBytes(*ctx.Platform().OpenRead(file), 0, 10), "12345");
  EXPECT_EQ(ctx.Platform().Status(file)->Size, 5);
  TStringList found;
  FindFiles(ctx, U16(tree.Root()), u"*.?bx", 0x1FF, &found, true, true);
  EXPECT_EQ(found, TStringList{file});
  // "/" and ".." in a path work as the wide API takes them.
  std::u16string odd = file;
  std::replace(odd.begin(), odd.end(), u'\\', u'/');
  EXPECT_TRUE(ctx.Platform().Status(odd));
  EXPECT_TRUE(ctx.Platform().Status(folder + u"\\nowhere\\..\\.\\Inbox.dbx"));
  RemoveLongTree(tree.Root().u16string());
}

// The walk over a real tree lists what the file system holds, with attributes and sizes.
TEST(WindowsPlatform, FindFilesAgreesWithTheFileSystem) {
  test::TTempTree tree;
  const std::string root = tree.Folder("store");
  const char* names[] = {"a.eml", "B.EML", "c.Eml.bak", "Inbox",          "Inbox.msf", "x.dbx",
                         "Y.MBX", "z.abx", "noext",     "weird name.eml", "t.bx"};
  for (int f = 0; f < 6; ++f) {
    std::string folder = "store/f" + std::to_string(f) + (f % 2 ? ".sbd" : "");
    if (f >= 3) folder += "/deep" + std::to_string(f) + "/deeper";
    for (int i = 0; i < 11; ++i) {
      if ((i + f) % 3 == 0) continue;
      tree.Write(folder + "/" + names[i], std::string(size_t(i), 'x'));
    }
  }
  tree.Folder("store/empty");
  tree.Folder("store/Folder.EML");
  const std::string hidden = tree.Write("store/f0/secret.eml", "12");
  SetFileAttributesW(fs::path(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

  TSystemContext ctx(MakeWindowsPlatform());
  auto expected = [&](auto keep) {
    std::set<std::u16string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      if (keep(e)) out.insert(U16(fs::path(e.path()).make_preferred()));
    }
    return out;
  };
  auto found = [&](std::u16string_view mask, uint32_t attr) {
    TStringList list;
    FindFiles(ctx, U16(root), mask, attr, &list, true, true);
    std::set<std::u16string> out(list.begin(), list.end());
    EXPECT_EQ(out.size(), list.size()) << "no path twice";
    return out;
  };
  auto ext = [](const fs::directory_entry& e) {
    return AsciiUpper(e.path().extension().u16string());
  };
  EXPECT_EQ(found(u"*.eml", 0x1FF), expected([&](const auto& e) { return ext(e) == u".EML"; }));
  EXPECT_EQ(found(u"*.?bx", 0x1FF), expected([&](const auto& e) {
              const std::u16string x = ext(e);
              return x.size() == 4 && x.substr(2) == u"BX";
            }));
  EXPECT_EQ(found(u"*.", 0x1FF), expected([](const auto& e) {
              return e.path().filename().u16string().find(u'.') == std::u16string::npos;
            }));
  EXPECT_EQ(found(u"*.*", faDirectory), expected([](const auto& e) { return e.is_directory(); }));
  // Hidden and system files are found; the total is the size of the matching files.
  EXPECT_TRUE(found(u"secret.eml", 0x1FF).size() == 1);
  int64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && ext(e) == u".EML") total += int64_t(e.file_size());
  }
  EXPECT_EQ(FindFiles(ctx, U16(root), u"*.eml", 0x1FF, nullptr, true, true), total);

  // A listing names each folder by its volume and file number, the same by any spelling.
  auto a = ctx.Platform().ListFolder(U16(root));
  auto b = ctx.Platform().ListFolder(AsciiUpper(U16(root)) + u"\\.");
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a->Id().Known());
  EXPECT_EQ(a->Id(), b->Id());
  EXPECT_FALSE(ctx.Platform().ListFolder(U16(root) + u"\\nowhere"));
}

}  // namespace
}  // namespace kv
