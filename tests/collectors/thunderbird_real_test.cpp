// A profile that Thunderbird itself wrote on Linux, copied under a test home and found by the
// live Linux platform: its folders, every message Thunderbird wrote into its mbox files (one
// expunged but not compacted away), and their decoded subjects.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "base/codepage.h"
#include "collectors/thunderbird.h"
#include "support/realdata.h"
#include "system/context.h"
#include "system/file_search.h"
#include "system/linux_platform.h"
#include "system/temp_tree.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const fs::path kProfile = test::RealDataPath("mbox/thunderbird153_profile");

// Sets an environment variable for the life of the object.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const std::string& value) : FName(name) {
    if (const char* old = ::getenv(name)) FOld = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~TScopedEnv() {
    if (FOld)
      ::setenv(FName, FOld->c_str(), 1);
    else
      ::unsetenv(FName);
  }

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

// Copies the read-only real profile into `target`, writable so the temporary tree can go.
void CopyProfile(const fs::path& target) {
  fs::create_directories(target);
  fs::copy(kProfile, target, fs::copy_options::recursive);
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(target))
    fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
}

TEST(ThunderbirdRealProfile, EveryFolderAndMessageOfALinuxProfile) {
  KV_SKIP_WITHOUT_REAL_DATA(kProfile / "profiles.ini");
  for (const char* place : {".thunderbird", ".var/app/org.mozilla.Thunderbird/.thunderbird",
                            "snap/thunderbird/common/.thunderbird"}) {
    SCOPED_TRACE(place);
    test::TTempTree home;
    CopyProfile(home.Root() / place);
    TScopedEnv env("HOME", home.Root().string());
    TSystemContext context(MakeLinuxPlatform());
    TVix_Thunderbird tb(context);
    tb.GetMailboxFolders(u"", u"");
    // prefs.js names folders of the home Thunderbird wrote it in; the "-rel" twins lead here.
    EXPECT_EQ(tb.Store(),
              Utf8ToUtf16((home.Root() / place / "og1rnls1.default" / "Mail").string()) + u"/");

    std::map<std::u16string, TMessages> byFolder;
    size_t total = 0;
    for (const std::u16string& folder : tb.Folders()) {
      tb.SetFolder(folder);
      byFolder[FolderNameFromPath(context, folder)] = tb.Records();
      total += tb.RecordCount();
    }
    for (const char16_t* name :
         {u"Local Folders", u"Inbox", u"Trash", u"RealMail", u"Unsent Messages",
          u"\u041F\u043E\u0434\u043F\u0430\u043F\u043A\u0430 "
          u"\u00DCn\u00EFc\u00F6d\u00E9"})
      EXPECT_TRUE(byFolder.count(name)) << Utf16ToUtf8(name);
    EXPECT_EQ(total, 13u);
    ASSERT_EQ(byFolder[u"RealMail"].size(), 11u);

    std::map<std::u16string, TMessageInfo> bySubject;
    for (const auto& [name, records] : byFolder)
      for (const TMessageInfo& r : records) bySubject[r.Subject] = r;
    for (const char16_t* subject :
         {u"[PRJ-OTH] asdf  \u00E1rv\u00EDzt\u0171r\u0151 t\u00FCk\u00F6rf\u00FAr\u00F3g\u00E9p",
          u"RE: \u88C5\u786C\u789F\u95EE\u9898", u"[Korea] Name",
          u"Die Hasen und die Fr\u00F6sche (Microsoft Outlook 00)",
          u"\u65E5\u672C\u8A9E\u30E1\u30FC\u30EB\u30C6\u30B9\u30C8 (testing Japanese emails)",
          u"Sample message 1", u"It's Maria,",
          u"NOTE: \uD55C\uAD6D\uB9D0\uB85C \uD558\uB294 \uAC83"})
      EXPECT_TRUE(bySubject.count(subject)) << Utf16ToUtf8(subject);

    // Thunderbird's status flags: message 0 was marked flagged (0004, unread), the expunged
    // message 9 reads 0009; every other message was written as read (0001).
    const TMessages& real = byFolder[u"RealMail"];
    size_t read = std::count_if(real.begin(), real.end(),
                                [](const TMessageInfo& r) { return (r.Flags & kFlagRead) != 0; });
    EXPECT_EQ(read, 10u);
    const auto flagged = bySubject.find(
        u"[PRJ-OTH] asdf  \u00E1rv\u00EDzt\u0171r\u0151 t\u00FCk\u00F6rf\u00FAr\u00F3g\u00E9p");
    ASSERT_NE(flagged, bySubject.end());
    EXPECT_EQ(flagged->second.Flags & kFlagRead, 0u);
    // The sizes of a folder's messages add up to its file's bytes without their line ends.
    uint64_t sum = 0;
    for (const TMessageInfo& r : real) sum += r.Size;
    std::string bytes;
    {
      std::unique_ptr<IReadStream> s =
          context.Platform().OpenRead(tb.Store() + u"Local Folders/RealMail");
      bytes = ReadBytes(*s, 0, size_t(s->Size()));
    }
    uint64_t lineBytes = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
      if (bytes[i] != '\n' && !(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
        ++lineBytes;
    EXPECT_EQ(sum, lineBytes);
  }
}

}  // namespace
}  // namespace kv
