// The test hive builder and the hive reader against an independent reader (hivexget).
#include <gtest/gtest.h>

#include <memory>

#include "base/codepage.h"
#include "support/hive_builder.h"
#include "system/hive.h"
#include "system/temp_tree.h"

namespace kv {
namespace {

TEST(HiveBuilder, EmptyHiveHasValidHeaderAndOpens) {
  std::string bytes = test::EmptyHiveBytes();
  ASSERT_EQ(bytes.size(), 8192u);
  EXPECT_EQ(bytes.substr(0, 4), "regf");
  EXPECT_EQ(bytes.substr(4096, 4), "hbin");
  uint32_t sum = 0;
  for (size_t i = 0; i < 0x200; i += 4) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(uint8_t(bytes[i + k])) << (8 * k);
    sum ^= v;
  }
  EXPECT_EQ(sum, 0u) << "the checksum makes the first 128 words XOR to zero";

  test::TTempTree tree;
  std::string path = tree.Write("EMPTY", bytes);
  std::u16string error;
  std::shared_ptr<THive> hive = THive::Open(path, error);
  ASSERT_TRUE(hive) << Utf16ToUtf8(error);
  EXPECT_TRUE(hive->ChildNames(hive->Root()).empty());
}

TEST(HiveBuilder, ValuesWrittenThroughHivexReadBackHereAndWithHivexget) {
  test::TTempTree tree;
  std::string path = tree.Path("SOFTWARE");
  {
    test::THiveBuilder b(path);
    b.SetText("Microsoft\\Windows NT\\CurrentVersion", "ProductName", u"Windows 7 Professional");
    b.SetExpandText("Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1001",
                    "ProfileImagePath", u"%SystemDrive%\\Users\\anna");
    b.SetDWord("Microsoft\\Windows NT\\CurrentVersion", "CurrentMajorVersionNumber", 10);
    b.SetQWord("Microsoft\\Windows NT\\CurrentVersion", "InstallTime", 0x01D2345678901234ull);
    b.SetText("Unicode", "Name", u"Jos\u00e9 \u674e\u4f1f");
    b.SetRaw("Unicode", "Blob", test::kRegBinary, "\x01\x02");
    b.Commit();
  }
  std::u16string error;
  std::shared_ptr<THive> hive = THive::Open(path, error);
  ASSERT_TRUE(hive) << Utf16ToUtf8(error);
  size_t cv = hive->Find(u"microsoft\\WINDOWS NT\\currentversion");
  ASSERT_NE(cv, 0u);
  auto name = hive->Value(cv, u"productname");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->Type, TRegistryValueType::Text);
  EXPECT_EQ(name->Text, u"Windows 7 Professional");
  auto major = hive->Value(cv, u"CurrentMajorVersionNumber");
  ASSERT_TRUE(major);
  EXPECT_EQ(major->Type, TRegistryValueType::DWord);
  EXPECT_EQ(major->Number, 10u);
  auto install = hive->Value(cv, u"InstallTime");
  ASSERT_TRUE(install);
  EXPECT_EQ(install->Type, TRegistryValueType::QWord);
  EXPECT_EQ(install->Number, 0x01D2345678901234ull);
  auto profile = hive->Value(hive->Find(u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\"
                                        u"S-1-5-21-1-2-3-1001"),
                             u"ProfileImagePath");
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->Type, TRegistryValueType::ExpandText);
  EXPECT_EQ(profile->Text, u"%SystemDrive%\\Users\\anna");
  size_t uni = hive->Find(u"Unicode");
  EXPECT_EQ(hive->Value(uni, u"Name")->Text, u"Jos\u00e9 \u674e\u4f1f");
  EXPECT_FALSE(hive->Value(uni, u"Blob")) << "binary values are not among the types read";
  EXPECT_FALSE(hive->Value(uni, u"Missing"));
  EXPECT_EQ(hive->Find(u"Microsoft\\Nothing"), 0u);

  // An independent reader sees the same.
  EXPECT_EQ(test::RunCommand("hivexget '" + path +
                             "' 'Microsoft\\Windows NT\\CurrentVersion' ProductName"),
            "Windows 7 Professional\n");
  EXPECT_EQ(test::RunCommand("hivexget '" + path +
                             "' 'Microsoft\\Windows NT\\CurrentVersion' "
                             "CurrentMajorVersionNumber"),
            "10\n");
  EXPECT_EQ(test::RunCommand("hivexget '" + path + "' 'Unicode' Name"), "Jos\u00e9 \u674e\u4f1f\n");
}

TEST(HiveReader, DamagedHivesGiveAClearErrorOrAbsentKeys) {
  test::TTempTree tree;
  std::u16string error;
  EXPECT_FALSE(THive::Open(tree.Write("empty-file", ""), error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(THive::Open(tree.Write("text", std::string(9000, 'x')), error));
  EXPECT_FALSE(THive::Open(tree.Path("missing"), error));

  std::string bytes = test::EmptyHiveBytes();
  std::string badSum = bytes;
  badSum[0x1FC] ^= 1;
  EXPECT_FALSE(THive::Open(tree.Write("badsum", badSum), error));
  std::string truncated = bytes.substr(0, 5000);
  EXPECT_FALSE(THive::Open(tree.Write("truncated", truncated), error));

  // A hive whose cells are garbage after a valid header and bin header: no crash, whatever the
  // reader decides.
  std::string scrambled = bytes;
  for (size_t i = 4096 + 0x20; i < scrambled.size(); ++i) scrambled[i] = char(i * 37);
  if (std::shared_ptr<THive> hive = THive::Open(tree.Write("scrambled", scrambled), error)) {
    hive->ChildNames(hive->Root());
    hive->Value(hive->Root(), u"x");
  }
}

}  // namespace
}  // namespace kv
