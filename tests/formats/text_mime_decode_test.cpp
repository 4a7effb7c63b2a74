#include <gtest/gtest.h>

#include <string>

#include "formats/mime_decode.h"

namespace kv {
namespace {

TEST(MimeDecode, Base64) {
  EXPECT_EQ(DecodeBase64Bytes("w6k="), "\xC3\xA9");
  EXPECT_EQ(DecodeBase64Bytes("TWFu"), "Man");
  EXPECT_EQ(DecodeBase64Bytes("TWE="), "Ma");
  EXPECT_EQ(DecodeBase64Bytes("TQ=="), "M");
  EXPECT_EQ(DecodeBase64Bytes("TWFuTQ"), "Man");     // an incomplete last group is ignored
  EXPECT_EQ(DecodeBase64Bytes("TW\r\nF u"), "Man");  // characters outside the alphabet
  EXPECT_EQ(DecodeBase64Bytes("==TQ"), "");
  EXPECT_EQ(DecodeBase64Bytes("T=Q="), "");
  EXPECT_EQ(DecodeBase64Bytes(""), "");
  EXPECT_EQ(DecodeBase64Bytes(std::string("\xFF\x80TWFu", 6)), "Man");
}

TEST(MimeDecode, QEncoding) {
  EXPECT_EQ(DecodeQEncodingBytes("a_b=3D=e9"), "a b=\xE9");
  EXPECT_EQ(DecodeQEncodingBytes("=ZZ=4"), "=ZZ=4");
  EXPECT_EQ(DecodeQEncodingBytes("="), "=");
}

TEST(MimeDecode, QuotedPrintableBytes) {
  EXPECT_EQ(DecodeQuotedPrintableBytes("a_b"), "a b");
  EXPECT_EQ(DecodeQuotedPrintableBytes("=E9=e9"), "\xE9\xE9");
  EXPECT_EQ(DecodeQuotedPrintableBytes("=ZZ"), "@");
  EXPECT_EQ(DecodeQuotedPrintableBytes("=B9=BE"), "\x9A\x9E");
  EXPECT_EQ(DecodeQuotedPrintableBytes("a=\r\nb=\nxc"), "abc");
  EXPECT_EQ(DecodeQuotedPrintableBytes("abc=4"), "abc");
  EXPECT_EQ(DecodeQuotedPrintableBytes("abc="), "abc");
  EXPECT_EQ(DecodeQuotedPrintableBytes("=\r"), "");
}

TEST(MimeDecode, QuotedPrintableText) {
  EXPECT_EQ(DecodeQuotedPrintableText(u"=E9t=E9"), u"\u00E9t\u00E9");
  EXPECT_EQ(DecodeQuotedPrintableText(u"a=e9b"), u"ab");  // lower-case hex is dropped
  EXPECT_EQ(DecodeQuotedPrintableText(u"a=\r\nb"), u"ab");
  EXPECT_EQ(DecodeQuotedPrintableText(u"ab=4"), u"ab");
  EXPECT_EQ(DecodeQuotedPrintableText(u"ab="), u"ab");
}

TEST(MimeDecode, UULine) {
  EXPECT_EQ(DecodeUULine("#86)C"), "abc");
  EXPECT_EQ(DecodeUULine(""), "");
  EXPECT_EQ(DecodeUULine("`"), "");
  EXPECT_EQ(DecodeUULine("#86)c"), "");     // 'c' is outside the table: the line gives nothing
  EXPECT_EQ(DecodeUULine("\"86)C"), "ab");  // the count limits the bytes
  EXPECT_EQ(DecodeUULine("#8"), "\x60");    // missing bits are zero
  const std::string full = "M" + std::string(60, '!');
  EXPECT_EQ(DecodeUULine(full).size(), 45u);
  EXPECT_EQ(DecodeUULine(full.substr(0, 60)), "");  // a full line needs all 60 characters
  EXPECT_EQ(DecodeUULine("#" + std::string(70, ' ')).size(), 3u);
}

}  // namespace
}  // namespace kv
