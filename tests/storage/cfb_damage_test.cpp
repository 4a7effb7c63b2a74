// Damaged input: every kind of damage gives an EStorageError, never a crash, a hang or a read
// outside a buffer. Also the writing helper's refusal to touch a file that is not ours.
#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "storage/cfb/byte_order.h"
#include "storage/cfb/compound_file.h"
#include "storage/cfb/property_set.h"
#include "storage/storage_test_util.h"

namespace kv::cfb {
namespace {

using test::TScratchDir;

// A file with a storage and a 5000-byte stream (whole sectors), and where its parts lie.
struct TSample {
  std::string Bytes;
  size_t DirOffset = 0;  // the first directory sector
  size_t FatOffset = 0;  // the first FAT sector
  uint32_t StreamStart = 0;
};

TSample MakeSample(const TScratchDir& dir) {
  {
    auto f = TCompoundFile::OpenForWriting(dir.Path16("sample.cfb"));
    uint32_t id = f->Create(TCompoundFile::kRoot, u"data", TEntryType::Stream);
    std::string data(5000, 'x');
    f->WriteStream(id, 0, data.data(), data.size());
  }
  TSample s;
  s.Bytes = test::ReadFileBytes(dir.Path("sample.cfb"));
  s.DirOffset = (GetU32(s.Bytes.data() + 48) + 1) * 512;
  s.FatOffset = (GetU32(s.Bytes.data() + 76) + 1) * 512;
  s.StreamStart = GetU32(s.Bytes.data() + s.DirOffset + 128 + 116);
  return s;
}

// Opens the bytes and reads every stream; the error must be a storage error.
void ExpectStorageError(const std::string& bytes, const char* what) {
  try {
    auto f = TCompoundFile::OpenBytes(bytes);
    for (uint32_t id : f->Children(TCompoundFile::kRoot)) f->ReadWholeStream(id);
    ADD_FAILURE() << what << ": no error";
  } catch (const EStorageError& e) {
    EXPECT_NE(e.Status(), TStorageStatus::Ok) << what;
  }
}

TEST(CfbDamage, EachKindOfDamageIsAStorageError) {
  TScratchDir dir;
  TSample s = MakeSample(dir);
  ASSERT_NO_THROW(TCompoundFile::OpenBytes(s.Bytes)->ReadWholeStream(1));

  ExpectStorageError(s.Bytes.substr(0, 300), "shorter than a header");
  ExpectStorageError(s.Bytes.substr(0, s.Bytes.size() / 2), "truncated");
  ExpectStorageError(std::string(4096, 'z'), "not a compound file");

  std::string loop = s.Bytes;  // the stream's second sector points back to its first
  PutU32(loop.data() + s.FatOffset + 4 * (s.StreamStart + 1), s.StreamStart);
  ExpectStorageError(loop, "looping FAT chain");

  std::string past = s.Bytes;
  PutU32(past.data() + s.FatOffset + 4 * (s.StreamStart + 1), 100000);
  ExpectStorageError(past, "chain past the end");

  std::string tree = s.Bytes;  // the root's child lists itself as its left sibling
  PutU32(tree.data() + s.DirOffset + 128 + 68, 1);
  ExpectStorageError(tree, "looping directory tree");

  std::string outside = s.Bytes;
  PutU32(outside.data() + s.DirOffset + 128 + 68, 5000);
  ExpectStorageError(outside, "directory link past the directory");

  std::string huge = s.Bytes;
  PutU32(huge.data() + s.DirOffset + 128 + 120, 0x7FFFFFF0);
  ExpectStorageError(huge, "absurd stream size");

  std::string fat = s.Bytes;
  PutU32(fat.data() + 44, 0x10000000);  // FAT sector count
  ExpectStorageError(fat, "FAT larger than the file");

  std::string dirChain = s.Bytes;
  PutU32(dirChain.data() + 48, 0xFFFFFFFA);
  ExpectStorageError(dirChain, "directory past the end");
}

TEST(CfbDamage, PropertySetLengthsPastTheEndAreStorageErrors) {
  TPropertySet set;
  set.Sections.emplace_back();
  set.Sections[0].FormatId = kFmtIdSummaryInformation;
  set.Sections[0].Values[2] = TPropValue::FromText(u"title");
  set.Sections[0].Names[20] = u"Username";
  set.Sections[0].Values[20] = TPropValue::FromText(u"anna");
  std::string good = SerializePropertySet(set);
  ASSERT_NO_THROW(ParsePropertySet(good, u"good"));

  auto expectError = [](const std::string& bytes, const char* what) {
    EXPECT_THROW(ParsePropertySet(bytes, u"set"), EStorageError) << what;
  };
  for (size_t cut : {size_t(0), size_t(10), size_t(40), size_t(60), good.size() - 4}) {
    expectError(good.substr(0, cut), "cut short");
  }
  uint32_t section = GetU32(good.data() + 44);
  std::string b = good;
  PutU32(b.data() + section, 0x7FFFFFFF);  // section size
  expectError(b, "section size");
  b = good;
  PutU32(b.data() + section + 4, 0x10000000);  // property count
  expectError(b, "property count");
  b = good;
  PutU32(b.data() + 24, 1000);  // section count
  expectError(b, "section count");
  b = good;
  PutU32(b.data() + section + 12, 0xFFFFFF00);  // a value offset
  expectError(b, "value offset");
  // A string whose length runs past the section.
  size_t title = section + GetU32(good.data() + section + 8 + 8 * 2 + 4);  // third entry: number 2
  ASSERT_EQ(GetU16(good.data() + title), VT_LPWSTR);
  b = good;
  PutU32(b.data() + title + 4, 0x40000000);
  expectError(b, "string length");
  // A string value whose length word itself lies past the section (found by fuzzing).
  std::string tiny = good.substr(0, 48);
  std::string sec;
  AppendU32(sec, 20);
  AppendU32(sec, 1);
  AppendU32(sec, 2);
  AppendU32(sec, 16);
  AppendU32(sec, VT_LPSTR);
  expectError(tiny + sec, "string length word");
}

// Wine's ole32 leaves the padding of a set's last value out of the stream while the section's
// length counts it; it also numbers a name 13, the summary set's word count, for a text.
TEST(CfbDamage, PropertySetWithoutItsLastPaddingIsReadWhole) {
  TPropertySet set;
  set.Sections.emplace_back();
  set.Sections[0].FormatId = kFmtIdSummaryInformation;
  set.Sections[0].Names[13] = u"Username";
  set.Sections[0].Values[13] = TPropValue::FromText(u"anna");
  set.Sections[0].Values[12] = TPropValue::FromFileTime(133233552000000000);
  set.Sections[0].Values[14] = TPropValue::FromText(u"WINEHOST");  // the last value: 8 + 18 bytes
  std::string bytes = SerializePropertySet(set);
  ASSERT_EQ(bytes.size() % 4, 0u);
  for (size_t cut : {size_t(1), size_t(2)}) {
    TPropertySet read = ParsePropertySet(bytes.substr(0, bytes.size() - cut), u"set");
    const TPropertySection& s = read.Sections.at(0);
    EXPECT_EQ(s.Values.at(14).Text, u"WINEHOST") << cut;
    EXPECT_EQ(s.Values.at(13).Text, u"anna") << cut;
    EXPECT_EQ(s.FindName(u"username"), 13u) << cut;
    EXPECT_EQ(s.Values.at(12).FileTime, 133233552000000000u) << cut;
    // Written back, the set is whole again.
    EXPECT_EQ(SerializePropertySet(read), bytes) << cut;
  }
  // Cut into the value itself, it is damage.
  EXPECT_THROW(ParsePropertySet(bytes.substr(0, bytes.size() - 3), u"set"), EStorageError);
}

TEST(CfbDamage, TheWritingHelperNeverReplacesAFileThatIsNotOurs) {
  TScratchDir dir;
  std::string letter = "Dear Anna,\r\nthis is not a compound file.\r\n";
  test::WriteFileBytes(dir.Path("letter.qmr"), letter);
  try {
    TCompoundFile::OpenForWriting(dir.Path16("letter.qmr"));
    ADD_FAILURE() << "opened a text file for writing";
  } catch (const EStorageError& e) {
    EXPECT_EQ(e.Status(), TStorageStatus::FileAlreadyExists);
    EXPECT_NE(e.Message().find(u"letter.qmr"), std::u16string::npos);
  }
  EXPECT_EQ(test::ReadFileBytes(dir.Path("letter.qmr")), letter);

  // A damaged compound file is refused too, and stays as it was.
  TSample s = MakeSample(dir);
  std::string tree = s.Bytes;
  PutU32(tree.data() + s.DirOffset + 128 + 68, 1);
  test::WriteFileBytes(dir.Path("damaged.qmr"), tree);
  EXPECT_THROW(TCompoundFile::OpenForWriting(dir.Path16("damaged.qmr")), EStorageError);
  EXPECT_EQ(test::ReadFileBytes(dir.Path("damaged.qmr")), tree);

  // An empty file, or none, becomes a new compound file.
  test::WriteFileBytes(dir.Path("empty.qmr"), "");
  TCompoundFile::OpenForWriting(dir.Path16("empty.qmr")).reset();
  TCompoundFile::OpenForWriting(dir.Path16("new.qmr")).reset();
  EXPECT_TRUE(TCompoundFile::IsCompoundFile(dir.Path16("empty.qmr")));
  EXPECT_TRUE(TCompoundFile::IsCompoundFile(dir.Path16("new.qmr")));
  EXPECT_FALSE(TCompoundFile::IsCompoundFile(dir.Path16("letter.qmr")));
  EXPECT_FALSE(TCompoundFile::IsCompoundFile(dir.Path16("missing.qmr")));
}

}  // namespace
}  // namespace kv::cfb
