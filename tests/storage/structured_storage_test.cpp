// The object layer: paths, open-or-create, the cached lists, deletion, property sets and the
// single-property helpers.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/error.h"
#include <map>

#include "storage/cfb/compound_file.h"
#include "storage/data_file_layout.h"
#include "storage/property_helpers.h"
#include "storage/storage_file.h"
#include "storage/storage_property_set.h"
#include "storage/storage_stream.h"
#include "storage/storage_test_util.h"
#include "support/realdata.h"
#include "support/time_zone.h"

namespace kv {
namespace {

using test::TScratchDir;

TEST(StructuredStorage, OpenStreamAndOpenSubStorageOnMissingNames) {
  TScratchDir dir;
  auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeReadWrite | STGM_CREATE);
  EXPECT_TRUE(root->IsRoot());
  EXPECT_EQ(root->OpenStream(u"missing", kModeReadWrite, false), nullptr);
  EXPECT_EQ(root->OpenStream(u"", kModeReadWrite, true), nullptr);
  EXPECT_EQ(root->OpenSubStorage(u"", kModeReadWrite, true), nullptr);
  try {
    root->OpenSubStorage(u"missing", kModeReadWrite, false);
    ADD_FAILURE() << "no error";
  } catch (const EStorageError& e) {
    EXPECT_EQ(e.Status(), TStorageStatus::FileNotFound);
  }
}

TEST(StructuredStorage, OpenStreamWithAPathCreatesTheStoragesOnTheWay) {
  TScratchDir dir;
  {
    auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeReadWrite | STGM_CREATE);
    auto stream = root->OpenStream(u"a\\b\\c", kModeReadWrite, true);
    ASSERT_NE(stream, nullptr);
    stream->WriteInteger(-2);
    stream->WriteBoolean(true);
    stream->WriteString(u"\u00e9t\u00e9");
    EXPECT_EQ(stream->Size(), 8u + 4u + 4u + 6u);
    EXPECT_TRUE(root->ElementExists(u"a"));
    EXPECT_EQ(root->ElementCount(), 1u);
    EXPECT_EQ(stream->Parent()->Parent()->Parent(), root.get());
    EXPECT_EQ(root->LockCount(), 2);  // itself and the storage a below it
  }
  auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeRead);
  auto stream = root->OpenStream(u"\\a\\b\\c", kModeRead, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadInteger(), -2);
  EXPECT_TRUE(stream->ReadBoolean());
  EXPECT_EQ(stream->ReadString(), u"\u00e9t\u00e9");
  auto b = root->OpenSubStorage(u"a\\b", kModeRead, false);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->FindElement(u"C").Props.Type, STGTY_STREAM);
  EXPECT_EQ(b->FindElement(u"C").Props.Size, 22u);
  EXPECT_EQ(b->FindElement(u"none").Name, u"");
  // A read-only file refuses writing modes.
  EXPECT_THROW(root->OpenSubStorage(u"x", kModeReadWrite, true), EStorageError);
  EXPECT_EQ(root->OpenStream(u"a", kModeReadWrite, false), nullptr);
}

TEST(StructuredStorage, DeleteElementRemovesAWholeSubtree) {
  TScratchDir dir;
  auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeReadWrite | STGM_CREATE);
  root->OpenStream(u"Inbox\\x\\one", kModeReadWrite, true)->Write("1", 1);
  root->OpenStream(u"Inbox\\two", kModeReadWrite, true)->Write("2", 1);
  root->OpenStream(u"keep", kModeReadWrite, true)->Write("3", 1);
  EXPECT_TRUE(root->ElementExists(u"inbox"));  // ASCII case folded
  EXPECT_TRUE(root->DeleteElement(u"INBOX"));
  EXPECT_FALSE(root->ElementExists(u"Inbox"));
  EXPECT_FALSE(root->DeleteElement(u"never-there"));
  EXPECT_EQ(root->ElementCount(), 1u);
  EXPECT_EQ(root->GetElement(0).Name, u"keep");
}

TEST(StructuredStorage, ElementListIsCachedUntilThisObjectChangesIt) {
  TScratchDir dir;
  auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeReadWrite | STGM_CREATE);
  auto oe = root->OpenSubStorage(u"OE", kModeReadWrite, true);
  oe->OpenStream(u"Inbox", kModeReadWrite, true).reset();
  auto again = root->OpenSubStorage(u"OE", kModeReadWrite, false);
  again->DeleteElement(u"Inbox");
  EXPECT_TRUE(oe->ElementExists(u"Inbox"));  // not seen through another object
  oe->ReadElements();
  EXPECT_FALSE(oe->ElementExists(u"Inbox"));
}

TEST(PropertyHelpers, WriteAndReadBack) {
  TScratchDir dir;
  TDateTime when = *EncodeDateTime({2013, 1, 20, 10, 30, 0, 250});
  {
    auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeReadWrite | STGM_CREATE);
    auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true);
    ASSERT_NE(set, nullptr);
    TPropertyStorage* ps = set->_IPropertyStorage();
    WriteStringPropertyID(ps, PIDSI_APPNAME, u"Kolvane 1.0");
    WriteStringPropertyID(ps, PIDSI_SUBJECT, u"PC-01 \u041f\u041a");
    WriteDateTimePropertyID(ps, PIDSI_CREATE_DTM, when);
    WriteStringProperty(ps, u"Username", u"anna");
    WriteIntegerProperty(ps, u"SIFVersion", 1);
    WriteIntegerProperty(ps, u"Big", int64_t(1) << 40);
    WriteIntegerProperty(ps, u"sifversion", 7);  // the same name, case folded
    EXPECT_EQ(root->PropertySetCount(), 1u);
    EXPECT_EQ(root->GetPropertySet(0).Props.FormatId, FMTID_SummaryInformation);
  }
  auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeRead);
  auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeRead, false);
  ASSERT_NE(set, nullptr);
  const TPropertyStorage* ps = set->_IPropertyStorage();
  EXPECT_EQ(ReadStringPropertyID(ps, PIDSI_APPNAME), u"Kolvane 1.0");
  EXPECT_EQ(ReadStringPropertyID(ps, PIDSI_SUBJECT), u"PC-01 \u041f\u041a");
  EXPECT_EQ(ReadDateTimePropertyID(ps, PIDSI_CREATE_DTM, false), when);
  EXPECT_EQ(ReadStringProperty(ps, u"Username"), u"anna");
  EXPECT_EQ(ReadIntegerProperty(ps, u"SIFVersion"), 7);
  EXPECT_EQ(ReadIntegerProperty(ps, u"Big"), int64_t(1) << 40);
  // Absent properties, other kinds and a missing set read as the defaults.
  EXPECT_EQ(ReadIntegerProperty(ps, u"Never"), 0);
  EXPECT_EQ(ReadStringProperty(ps, u"SIFVersion"), u"");
  EXPECT_EQ(ReadIntegerProperty(ps, u"Username"), 0);
  EXPECT_EQ(ReadStringPropertyID(ps, PIDSI_TITLE), u"");
  EXPECT_EQ(ReadDateTimePropertyID(ps, PIDSI_APPNAME, false), 0);
  EXPECT_EQ(ReadStringProperty(nullptr, u"Username"), u"");
  EXPECT_EQ(ReadDateTimePropertyID(nullptr, 12, true), 0);
  EXPECT_THROW(WriteStringProperty(nullptr, u"x", u"y"), EStorageError);
  // Names never take the numbers of the standard summary properties.
  EXPECT_EQ(ps->ReadByName(u"Username")->Text, u"anna");
  EXPECT_FALSE(ps->Read(PIDSI_TITLE).has_value());
  EXPECT_EQ(root->OpenPropertySet(cfb::kFmtIdDocSummaryInformation, kModeRead, false), nullptr);
}

TEST(PropertyHelpers, ToLocalTakesTheStoredTimeAsUtc) {
  KOLVANE_IN_ZONE("Europe/Berlin");
  TScratchDir dir;
  TDateTime when = *EncodeDateTime({2013, 1, 20, 10, 30, 0, 250});
  auto root = OpenStorageFile(dir.Path16("a.qmr"), kModeReadWrite | STGM_CREATE);
  auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true);
  WriteDateTimePropertyID(set->_IPropertyStorage(), PIDSI_CREATE_DTM, when);
  TDateTime local = ReadDateTimePropertyID(set->_IPropertyStorage(), PIDSI_CREATE_DTM, true);
  EXPECT_EQ(local, *EncodeDateTime({2013, 1, 20, 11, 30, 0, 250}));
}

TEST(PropertyHelpers, ReadsSetsOfOtherProgramsInTheirCodePages) {
  struct TCase {
    const char* File;
    uint32_t Number;
    std::u16string Text;
  };
  const TCase cases[] = {
      {"cfb/poi_hpsf/TestShiftJIS.doc", PIDSI_TITLE, u"\u7b2c1\u7ae0"},
      {"cfb/poi_hpsf/TestGermanWord90.doc", PIDSI_KEYWORDS, u"Test (Stichw\u00f6rter)"},
      {"cfb/poi_hpsf/TestChineseProperties.doc", PIDSI_AUTHOR, u"\u96c5\u864e"},  // UTF-8 set
      {"cfb/poi_hpsf/Test0313rur.adm", PIDSI_AUTHOR, u"wbustillo"},               // UTF-16 set
      {"cfb/olefile_test-ole-file.doc", PIDSI_AUTHOR, u"Laurence Ipsum"},
  };
  for (const auto& c : cases) KV_SKIP_WITHOUT_REAL_DATA(test::RealDataPath(c.File));
  for (const auto& c : cases) {
    auto root = OpenStorageFile(test::RealDataPath(c.File).u16string(), kModeRead);
    auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeRead, false);
    ASSERT_NE(set, nullptr) << c.File;
    EXPECT_EQ(ReadStringPropertyID(set->_IPropertyStorage(), c.Number), c.Text) << c.File;
  }
}

TEST(PropertyHelpers, WritingIntoASetOfAnotherProgramKeepsItsOtherValues) {
  const auto adm = test::RealDataPath("cfb/poi_hpsf/Test0313rur.adm");
  KV_SKIP_WITHOUT_REAL_DATA(adm);
  TScratchDir dir;
  // Its set holds a thumbnail (clipboard data), which is kept byte for byte.
  test::WriteFileBytes(dir.Path("t.adm"), test::ReadFileBytes(adm.string()));
  auto storedValues = [&] {
    auto file = cfb::TCompoundFile::OpenForReading(dir.Path16("t.adm"));
    uint32_t id =
        file->Find(cfb::TCompoundFile::kRoot, cfb::PropertySetStreamName(FMTID_SummaryInformation));
    cfb::TPropertySet set = cfb::ParsePropertySet(file->ReadWholeStream(id), u"t");
    std::map<uint32_t, std::string> stored;
    for (const auto& [number, v] : set.Sections[0].Values) stored[number] = v.Stored;
    return stored;
  };
  auto before = storedValues();
  ASSERT_EQ(before.count(17), 1u);
  {
    auto root = OpenStorageFile(dir.Path16("t.adm"), kModeReadWrite);
    auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, false);
    ASSERT_NE(set, nullptr);
    WriteStringProperty(set->_IPropertyStorage(), u"Username", u"anna");
  }
  auto after = storedValues();
  for (const auto& [number, bytes] : before) EXPECT_EQ(after[number], bytes) << number;
  auto root = OpenStorageFile(dir.Path16("t.adm"), kModeRead);
  auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeRead, false);
  EXPECT_EQ(ReadStringProperty(set->_IPropertyStorage(), u"Username"), u"anna");
  EXPECT_EQ(ReadStringPropertyID(set->_IPropertyStorage(), PIDSI_AUTHOR), u"wbustillo");
}

}  // namespace
}  // namespace kv
