// The fixture builders themselves: what they write is what the description says, so that the
// tests, benchmarks and samples built on them test the readers and not the builders.
#include <gtest/gtest.h>

#include "formats/header.h"
#include "support/dbx_builder.h"
#include "support/eml_builder.h"
#include "support/mbox_builder.h"
#include "support/mbx_builder.h"

namespace kv::fixtures {
namespace {

TEST(FixtureBuilders, EmlTextParsesBackToItsDescription) {
  const std::string eml = EmlBuilder()
                              .From("Ann Lee <ann@example.org>")
                              .To("bob@example.org")
                              .Subject(EncodedWord("utf-8",
                                                   "Gr\xC3\xBC\xC3\x9F"
                                                   "e") +
                                       " " + EncodedWord("iso-8859-1", "a b=?", 'Q'))
                              .Date(MailDate(2013, 1, 5, 10, 20, 30, 60))
                              .MessageId("<1@example.org>")
                              .Priority("1 (Highest)")
                              .MozillaStatus(0x0001)
                              .MozillaStatus2(0x10000000)
                              .Field("X-Folded", "first\nsecond")
                              .Body("Hello\r\n")
                              .Attach("a.bin", "application/octet-stream", "\x01\x02\x03\x04")
                              .Build();
  TEMLHeader h;
  ReadEMLHeader(std::string_view(eml), h);
  EXPECT_EQ(h.Subject, u"Gr\u00FC\u00DFea b=?");
  EXPECT_EQ(h.Date, u"Sat, 05 Jan 2013 10:20:30 +0100");
  EXPECT_EQ(h.Priority, 1u);
  EXPECT_TRUE(h.Read);
  EXPECT_TRUE(h.Attachments);
  EXPECT_EQ(h.ContentType, u"MULTIPART/MIXED");
  EXPECT_NE(eml.find("\r\nX-Folded: first\r\n second\r\n"), std::string::npos);
  EXPECT_NE(eml.find("\r\n\r\nAQIDBA==\r\n"), std::string::npos);
  EXPECT_EQ(Base64("ab"), "YWI=");
  EXPECT_EQ(Base64("abc"), "YWJj");
}

TEST(FixtureBuilders, MboxQuotesSeparatorLinesInBodies) {
  const std::string one =
      EmlBuilder().Subject("one").Body("From here\n>From there\n").LineEnd("\n").Build();
  const std::string mbox = MboxBuilder().Add(one).Add("Subject: two\n\nno final newline").Build();
  EXPECT_EQ(mbox.rfind("From MAILER-DAEMON Thu Jan  1 00:00:00 2009\n", 0), 0u);
  EXPECT_NE(mbox.find("\n>From here\n>>From there\n"), std::string::npos);
  EXPECT_NE(mbox.find("\n\nFrom MAILER-DAEMON"), std::string::npos);
  EXPECT_EQ(mbox.substr(mbox.size() - 18), "no final newline\n\n");
}

TEST(FixtureBuilders, DbxTreesHaveTheLevelsTheCapacityAsksFor) {
  DbxBuilder b;
  b.SetNodeCapacity(3);
  for (int i = 0; i < 200; ++i) b.Add({.Subject = "s", .Text = std::string(1300, 'x')});
  const DbxFile f = b.Build();
  EXPECT_EQ(GetU32(f.Bytes, kDbxEntryCountField), 200u);
  EXPECT_EQ(GetU32(f.Bytes, kDbxRootField), f.Layout.RootNode);
  // 200 values in nodes of 3 need at least 67 nodes and four levels.
  EXPECT_GE(f.Layout.Nodes.size(), 67u);
  int depth = 0;
  for (uint32_t n = f.Layout.RootNode; n != 0; n = GetU32(f.Bytes, n + kDbxNodeChildField)) ++depth;
  EXPECT_GE(depth, 4);
  // Counts stored in the root add up to all values.
  const uint32_t root = f.Layout.RootNode;
  uint32_t total = GetU32(f.Bytes, root + kDbxNodeChildCountField);
  for (int e = 0; e < uint8_t(f.Bytes[root + kDbxNodeCountByte]); ++e)
    total += 1 + GetU32(f.Bytes, root + kDbxNodeEntry0 + 12 * e + 8);
  EXPECT_EQ(total, 200u);
  ASSERT_EQ(f.Layout.Blocks[0].size(), 3u);
  EXPECT_EQ(GetU32(f.Bytes, f.Layout.Blocks[0][2] + kDbxBlockCountField), 1300u - 1024u);
  EXPECT_EQ(GetU32(f.Bytes, f.Layout.Blocks[0][2] + kDbxBlockNextField), 0u);
}

TEST(FixtureBuilders, MbxAndIdxRecordsPointAtEachOther) {
  MbxBuilder b;
  b.Add({.Text = "Subject: a\r\n\r\n1", .Subject = "a"}).Add({.Text = "Subject: b\r\n\r\n22"});
  b.SetIndexGap(8);
  const MbxFolder f = b.Build();
  EXPECT_EQ(f.Mbx.substr(0, 4), "JMF6");
  EXPECT_EQ(f.Idx.substr(0, 4), "JMF9");
  EXPECT_EQ(f.TextOffsets[0], 100u);
  EXPECT_EQ(f.TextOffsets[1], 100u + 15 + 16);
  EXPECT_EQ(GetU32(f.Mbx, 84), 0x7F007F00u);
  EXPECT_EQ(f.IdxRecords[0], 80u);
  const uint32_t r0 = f.IdxRecords[0];
  EXPECT_EQ(GetU32(f.Idx, r0 + 12) + GetU32(f.Idx, r0 + 16), f.IdxRecords[1]);
  EXPECT_EQ(GetU32(f.Idx, r0 + 20), f.TextOffsets[0]);
  EXPECT_EQ(GetU32(f.Idx, r0 + kIdxFixedBytes), 2u);  // "a" and its NUL
}

}  // namespace
}  // namespace kv::fixtures
