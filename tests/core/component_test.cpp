#include "core/component.h"

#include <gtest/gtest.h>

#include "core/memory_collector.h"
#include "storage/zlib_codec.h"
#include "system/fake_platform.h"

namespace kv {
namespace {

TEST(Component, DefaultHeaderRoundTripsThroughTheSummaryPropertySet) {
  auto platform = std::make_unique<TFakePlatform>();
  platform->Facts.Sids.push_back({u"anna", u"S-1-5-21-1-2-3-1001"});
  TSystemContext context(std::move(platform));
  test::TTempDir dir;
  const std::u16string file = dir.File("h.qmr");

  TVix_Component writer(context);
  const double before = NowLocal();
  writer.SaveToStorage(file, u"first scan", ZCompressStream);
  const double after = NowLocal();

  TVix_Component reader(context);
  TStorageInfoRecord header = reader.StorageInfo();
  reader.ReadStorageHeader(file, header);
  EXPECT_EQ(header.SIFVersion, 1);
  EXPECT_TRUE(header.Encrypted);
  EXPECT_EQ(header.Comment, u"first scan");
  EXPECT_EQ(header.Title, context.Facts().ProgramVersion.ProductName);
  EXPECT_EQ(header.Machine, u"FAKEPC");
  EXPECT_EQ(header.Session, SessionTypesToText(writer.Session()));
  EXPECT_EQ(header.LoggedUser, writer.LoggedUser());
  EXPECT_EQ(header.LoggedUserSID, writer.SID());
  EXPECT_EQ(header.OSMajorVersion, 6);
  EXPECT_EQ(header.FileName, file);
  EXPECT_GE(header.Timestamp, before - 1.0 / 86400000);
  EXPECT_LE(header.Timestamp, after + 1.0 / 86400000);

  writer.SaveToStorage(file, u"", nullptr);
  reader.ReadStorageHeader(file, header);
  EXPECT_FALSE(header.Encrypted);
}

TEST(Component, LoadSwitchesToStoredModeForGoodAndLeavesHeaderOfForeignFiles) {
  TSystemContext context(std::make_unique<TFakePlatform>());
  test::TTempDir dir;
  TVix_Component c(context);
  EXPECT_TRUE(c.LiveData());
  const TStorageInfoRecord initial = c.StorageInfo();
  EXPECT_TRUE(c.LoadFromStorage(dir.File("missing.qmr"), ZDecompressStream));
  EXPECT_FALSE(c.LiveData());
  EXPECT_EQ(c.StorageFilename(), dir.File("missing.qmr"));
  EXPECT_EQ(c.StreamCodeProc(), &ZDecompressStream);
  EXPECT_EQ(c.StorageInfo(), initial);
}

TEST(Component, SessionAndLoggedUser) {
  auto platform = std::make_unique<TFakePlatform>();
  platform->Facts.HasTerminalServices = true;
  platform->Facts.SessionUsers[7] = {u"anna@corp.example", u""};
  TSystemContext context(std::move(platform));
  TVix_Component c(context);
  c.SetSession(7);
  EXPECT_EQ(c.SessionID(), 7u);
  EXPECT_EQ(c.SimpleLoggedUser(), u"anna");
  c.SetLoggedUser(u"bob");
  EXPECT_EQ(c.LoggedUser(), u"bob");
  EXPECT_EQ(c.SimpleLoggedUser(), u"anna");
}

}  // namespace
}  // namespace kv
