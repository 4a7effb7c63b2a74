// Cutting mbox text into messages and turning each into a record: where messages start, what
// their Size counts, which header lines count, and that block boundaries change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/error.h"
#include "collectors/mbox_rules.h"
#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"
#include "support/eml_builder.h"
#include "support/mbox_builder.h"
#include "support/realdata.h"

namespace kv {
namespace {

using fixtures::EmlBuilder;
using fixtures::MboxBuilder;

using TCut = test::TMboxCut;

// Splits `text` fed in blocks of `block` bytes (0: all at once).
std::vector<TCut> Cut(std::string_view text, size_t block = 0) {
  std::vector<TCut> out;
  TMboxSplitter splitter([&](const TMboxMessage& m) {
    out.push_back({std::string(m.Header), m.Size, m.Offset});
  });
  if (block == 0) block = text.size() + 1;
  for (size_t at = 0; at < text.size(); at += block) splitter.Feed(text.substr(at, block));
  splitter.Finish();
  return out;
}

std::vector<TMessageInfo> Records(std::string_view text, std::u16string_view folder = u"Inbox") {
  std::vector<TMessageInfo> out;
  TEMLHeader header;
  TMboxSplitter splitter([&](const TMboxMessage& m) {
    TMessageInfo record;
    MboxMessageRecord(m, folder, TEmailClient::ecThunderbird, header, record);
    out.push_back(record);
  });
  splitter.Feed(text);
  splitter.Finish();
  return out;
}

// The bytes of a text's lines, line ends not counted.
uint64_t LineBytes(std::string_view text) {
  uint64_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') continue;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    ++n;
  }
  return n;
}

std::string Message(const std::string& subject, const std::string& body = "Hello\n") {
  return EmlBuilder()
      .MozillaStatus(0)
      .Subject(subject)
      .From("a@example.org")
      .Body(body)
      .LineEnd("\n")
      .Build();
}

TEST(MboxSplitter, ThreeMessagesEachCountingItsOwnLines) {
  const std::string m1 = Message("one"), m2 = Message("two", "a\nlonger\nbody\n"),
                    m3 = Message("three");
  const std::string text = MboxBuilder().Add(m1).Add(m2).Add(m3).Build();
  const std::vector<TMessageInfo> records = Records(text);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Subject, u"one");
  EXPECT_EQ(records[1].Subject, u"two");
  EXPECT_EQ(records[2].Subject, u"three");
  // Each message is its "From " line, its text and the empty line the builder puts after it.
  const std::string from = "From MAILER-DAEMON Thu Jan  1 00:00:00 2009";
  EXPECT_EQ(records[0].Size, from.size() + LineBytes(m1));
  EXPECT_EQ(records[1].Size, from.size() + LineBytes(m2));
  EXPECT_EQ(records[2].Size, from.size() + LineBytes(m3));
  EXPECT_EQ(records[0]._Folder, u"Inbox");
  EXPECT_EQ(records[0]._Client, TEmailClient::ecThunderbird);
  // Sizes and offsets cover the whole text but its line ends.
  const std::vector<TCut> cuts = Cut(text);
  EXPECT_EQ(cuts[0].Offset, 0u);
  EXPECT_EQ(cuts[1].Offset, text.find("From MAILER", 1));
  EXPECT_EQ(cuts[0].Size + cuts[1].Size + cuts[2].Size, LineBytes(text));
}

TEST(MboxSplitter, AFromLineFollowedByAMozillaLineStartsAMessageAnywhere) {
  const std::string text =
      "preamble that belongs to no message\n"
      "From - Mon Jan  5 10:20:30 2013\n"
      "X-Mozilla-Status: 0001\n"
      "Subject: first\n"
      "\n"
      "From here on the body goes on\n"  // not followed by a Mozilla line
      "From - quoted separator\n"
      "x-mozilla-status: 0001\n"  // wrong case
      "From - another\n"
      "Subject: not a Mozilla line\n"
      ">From - escaped\n"
      "X-Mozilla-Status: 0000\n"
      "From - Tue Jan  6 10:20:30 2013\n"
      "X-Account-Key: account2\n"
      "Subject: second\n"
      "\n"
      "body\n"
      "From - Wed Jan  7 10:20:30 2013\n"
      "X-UIDL: 0001abcd\n"
      "Subject: third\n"
      "\n"
      "body\n"
      "From - Thu Jan  8 10:20:30 2013\n"
      "X-UIDLS: not this one\n";
  const std::vector<TMessageInfo> records = Records(text);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Subject, u"first");
  EXPECT_EQ(records[1].Subject, u"second");
  EXPECT_EQ(records[2].Subject, u"third");
  const std::vector<TCut> cuts = Cut(text);
  ASSERT_EQ(cuts.size(), 3u);
  EXPECT_EQ(cuts[0].Offset, text.find("From - Mon"));
  EXPECT_EQ(cuts[1].Offset, text.find("From - Tue"));
  // The last message keeps the "From " line that started nothing, up to the end of the text.
  EXPECT_EQ(cuts[2].Size, LineBytes(text.substr(cuts[2].Offset)));
  EXPECT_EQ(cuts[0].Size + cuts[1].Size + cuts[2].Size, LineBytes(text.substr(cuts[0].Offset)));
}

TEST(MboxSplitter, AFromLineSetOffByAnEmptyLineBeforeAHeaderFieldStartsAMessage) {
  // Separators as other programs write them: no Mozilla line, an empty line before each.
  const std::string text =
      "From ann@example.org Mon Jan  5 10:20:30 2013\r\n"  // the text's first line
      "Subject: first\r\n"
      "\r\n"
      "From the desk of Ann\r\n"  // after an empty line, but no header field follows
      "regards\r\n"
      "From x\r\n"  // a header field follows, but not after an empty line
      "Subject: still first\r\n"
      "\n"
      ">From x\n"  // escaped (mboxrd)
      "Subject: still first\n"
      "\n"
      " From x\n"  // escaped (Thunderbird)
      "Subject: still first\n"
      "\n"
      "From x\n"
      "Two words: not a field name\n"
      "\n"
      "From x\n"
      ": no field name\n"
      "\n"
      "From x\n"
      "Subj\x80"
      "ct: not printable\n"
      "\r\n"
      "From bob@example.org Tue Jan  6 10:20:30 2013\n"
      "Subject: second\n"
      "\n"
      "From x\n"
      "X:\n";  // the shortest field, up to the end of the text
  const std::vector<TCut> cuts = Cut(text);
  ASSERT_EQ(cuts.size(), 3u);
  EXPECT_EQ(cuts[0].Header, "From ann@example.org Mon Jan  5 10:20:30 2013\nSubject: first\n");
  EXPECT_EQ(cuts[1].Offset, text.find("From bob"));
  EXPECT_EQ(cuts[1].Header, "From bob@example.org Tue Jan  6 10:20:30 2013\nSubject: second\n");
  EXPECT_EQ(cuts[2].Header, "From x\nX:\n");
  // Every line belongs to one message; the empty line before a separator to the one before it.
  EXPECT_EQ(cuts[0].Size, LineBytes(text.substr(0, cuts[1].Offset)));
  EXPECT_EQ(cuts[1].Size, LineBytes(text.substr(cuts[1].Offset, cuts[2].Offset - cuts[1].Offset)));
  EXPECT_EQ(cuts[0].Size + cuts[1].Size + cuts[2].Size, LineBytes(text));
  const std::vector<TMessageInfo> records = Records(text);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Subject, u"first");
  EXPECT_EQ(records[1].Subject, u"second");
  // A preamble ends with an empty line like a message; a separator right after one whose header
  // block has no empty line does not start a message.
  const std::vector<TCut> after = Cut("preamble\n\nFrom a\nSubject: s\nFrom b\nSubject: t\n");
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].Offset, 10u);
  EXPECT_EQ(after[0].Header, "From a\nSubject: s\nFrom b\nSubject: t\n");
  EXPECT_EQ(after[0].Size, 32u);
}

// Mbox files that other programs and older Thunderbird versions wrote: every message found,
// body lines beginning with "From " (escaped or not) kept inside their messages.
TEST(MboxSplitter, MboxFilesThunderbirdDidNotWrite) {
  const std::filesystem::path dir = test::RealDataPath("mbox");
  const struct {
    const char* Name;
    size_t Messages;
    const char* SecondStartsWith;  // the second message's "From " line, or nullptr
  } files[] = {
      {"tb_mbox_modern", 2, "From - Thu Aug 23 09:10:23 2018"},
      {"tb_mbox_unquoted", 2,
       "From \nFrom: Author <author@example.com>\nTo: Recipient "
       "<recipient@example.com>\nSubject: Sample message 2"},
      {"tb_mbox_mboxrd", 2,
       "From MAILER-DAEMON Fri Jul  8 12:08:34 2011\nFrom: Author "
       "<author@example.com>\nTo: Recipient <recipient@example.com>\n"
       "Subject: Sample message 2"},
      {"tb_panorama_migration.mbox", 3, nullptr},
      {"mailbox_perl_mbox.src", 45, nullptr},
      {"mailbox_perl_mbox.win", 45, nullptr},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.Name);
    const std::filesystem::path path = dir / f.Name;
    KV_SKIP_WITHOUT_REAL_DATA(path);
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<TCut> cuts = Cut(text);
    ASSERT_EQ(cuts.size(), f.Messages);
    uint64_t sizes = 0;
    for (const TCut& c : cuts) sizes += c.Size;
    EXPECT_EQ(cuts[0].Offset, 0u);
    EXPECT_EQ(sizes, LineBytes(text));
    if (f.SecondStartsWith) {
      EXPECT_EQ(cuts[1].Header.rfind(f.SecondStartsWith, 0), 0u);
    }
    for (size_t block : {size_t(1), size_t(7), size_t(64)}) EXPECT_EQ(Cut(text, block), cuts);
  }
}

TEST(MboxSplitter, HeaderBlockEndsAtTheFirstEmptyLine) {
  const std::string text =
      "From - x\r\n"
      "X-Mozilla-Status: 0001\r\n"
      "To: ann@example.org\r\n"
      "\r\n"
      "Subject: in the body\r\n"
      "Date: Mon, 5 Jan 2013 10:20:30 +0000\r\n";
  const std::vector<TCut> cuts = Cut(text);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].Header, "From - x\nX-Mozilla-Status: 0001\nTo: ann@example.org\n");
  EXPECT_EQ(cuts[0].Size, LineBytes(text));
  const std::vector<TMessageInfo> records = Records(text);
  EXPECT_EQ(records[0].Subject, u"");
  EXPECT_EQ(records[0].ReceivedDate, 0);
  EXPECT_EQ(records[0].Received, u"");
}

TEST(MboxSplitter, BlockBoundariesChangeNothing) {
  // CR LF, LF, lone CRs (part of a line), a last line without line end.
  std::string text =
      MboxBuilder()
          .Add(EmlBuilder().MozillaStatus(1).Subject("crlf").Body("a\r\nb\r\n").Build())
          .Add(Message("lf", "x\ry\n\r\n"))
          .Build();
  text += "From - last\r\nX-Mozilla-Status: 0001\r\nSubject: tail\r\n\r\nno line end\r";
  const std::vector<TCut> whole = Cut(text);
  ASSERT_EQ(whole.size(), 3u);
  EXPECT_EQ(whole[2].Size, LineBytes(text.substr(whole[2].Offset)));
  for (size_t block : {1, 2, 3, 5, 7, 13, 64}) EXPECT_EQ(Cut(text, block), whole) << block;
}

TEST(MboxSplitter, AgreesWithTheRulesReadLiterally) {
  // Bodies of lines of every length up to 40, with LF and CR LF ends, many beginning with "F",
  // "Fr", "From", "From " or a Mozilla line, so line starts and line ends fall on every position
  // of a 16-byte step and of a block.
  uint32_t x = 1;
  auto next = [&](uint32_t n) {
    x = x * 1103515245u + 12345u;
    return (x >> 16) % n;
  };
  const char* const starts[] = {
      "F",         "Fr",     "From",   "From ",      "From - x", "X-Mozilla-Status: 1",
      "X-UIDL: 5", "\r",     ">From ", "Subject: s", "",         "To:",
      ": x",       "A b: c", "\x80:"};
  // Separators of both kinds, and lines that look like the classic kind but are not.
  const char* const separators[] = {"From - sep\nX-Mozilla-Status: 0001\r\n",
                                    "From x\nX-UIDL: 7\n",
                                    "\nFrom y\nSubject: s\n",
                                    "\r\n\r\nFrom y\r\nX:\r\n",
                                    "\nFrom z\nno field\n",
                                    "\n From z\nSubject: s\n",
                                    "\n>From z\nSubject: s\n",
                                    "\nFrom \n\tSubject: s\n"};
  for (int round = 0; round < 40; ++round) {
    std::string text;
    for (int line = 0; line < 400; ++line) {
      if (next(10) == 0) text += separators[next(8)];
      if (next(7) == 0) text += starts[next(15)];
      text += std::string(next(9) == 0 ? next(300) : next(41), char('a' + next(26)));
      if (next(9) == 0) text += '\r';
      text += next(2) ? "\r\n" : "\n";
    }
    const std::vector<TCut> expected = test::ReferenceMboxCut(text);
    ASSERT_GT(expected.size(), 5u);
    for (TMboxScan scan : {TMboxScan::Widest, TMboxScan::Sse2, TMboxScan::LineByLine}) {
      SetMboxScan(scan);
      for (size_t block : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(33),
                           size_t(100), size_t(4096)})
        ASSERT_EQ(Cut(text, block), expected)
            << "round " << round << ", block " << block << ", scan " << int(scan);
    }
    SetMboxScan(TMboxScan::Widest);
  }
}

TEST(MboxSplitter, LinesLongerThanABlockAndOverlongHeaders) {
  // A body line longer than a read block, and a message whose text has no empty line, larger
  // than the header limit: sizes stay exact, the kept header stays bounded.
  const std::string longLine(3 * kMboxBlockSize + 17, 'x');
  std::string text = "From - a\nX-Mozilla-Status: 0001\nSubject: long\n\n" + longLine + "\r\n";
  const size_t second = text.size();
  text += "From - b\nX-Mozilla-Status: 0001\nSubject: no body\n";
  for (int i = 0; text.size() - second < TMboxSplitter::kMaxHeaderBytes + 1000; ++i)
    text += "X-Filler-" + std::to_string(i) + ": " + std::string(200, 'y') + "\n";
  TMemoryReadStream stream(text);
  std::vector<TCut> cuts;
  SplitMbox(stream, [&](const TMboxMessage& m) {
    cuts.push_back({std::string(m.Header), m.Size, m.Offset});
  });
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[0].Size, LineBytes(text.substr(0, second)));
  EXPECT_EQ(cuts[1].Offset, second);
  EXPECT_EQ(cuts[1].Size, LineBytes(text.substr(second)));
  EXPECT_LE(cuts[1].Header.size(), TMboxSplitter::kMaxHeaderBytes);
  EXPECT_EQ(cuts[1].Header.rfind("From - b\nX-Mozilla-Status: 0001\nSubject: no body\n", 0), 0u);
}

TEST(MboxSplitter, EmptyAndMessagelessTexts) {
  EXPECT_TRUE(Cut("").empty());
  EXPECT_TRUE(Cut("\n\n\r\n").empty());
  EXPECT_TRUE(Cut("From - only a separator\n").empty());
  EXPECT_TRUE(Cut("From - x\nnot a header field\n\nbody\n").empty());
  // A Mozilla line right at the start has no "From " line before it.
  EXPECT_TRUE(Cut("X-Mozilla-Status: 0001\nSubject: a\n").empty());
  // A separator and its Mozilla line are a message even with nothing after them.
  const std::vector<TCut> bare = Cut("From - x\nX-Mozilla-Status: 0001");
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].Size, 30u);
}

// A file whose reading fails part way: the messages before the failure are handed over.
class TFailingStream final : public IReadStream {
 public:
  TFailingStream(std::string bytes, uint64_t failAt) : FBytes(std::move(bytes)), FFailAt(failAt) {}
  uint64_t Size() const override { return FBytes.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= FFailAt) throw EKolvaneError(u"read fault");
    const size_t n = size_t(std::min<uint64_t>(count, FFailAt - offset));
    std::memcpy(buffer, FBytes.data() + offset, n);
    return n;
  }

 private:
  std::string FBytes;
  uint64_t FFailAt;
};

TEST(MboxSplitter, AReadFailureKeepsTheMessagesBeforeIt) {
  MboxBuilder mbox;
  for (int i = 0; i < 40; ++i)
    mbox.Add(Message("m" + std::to_string(i), std::string(60000, 'b') + "\n"));
  const std::string text = mbox.Build();
  TFailingStream stream(text, kMboxBlockSize);
  size_t seen = 0;
  EXPECT_THROW(SplitMbox(stream, [&](const TMboxMessage&) { ++seen; }), EKolvaneError);
  // The messages wholly inside the first block; the one it cuts is not handed over.
  EXPECT_EQ(seen, kMboxBlockSize / (text.size() / 40));
}

TEST(MboxRecord, FieldsFromTheHeader) {
  const std::string eml =
      EmlBuilder()
          .MozillaStatus(0x0001)
          .MozillaStatus2(0x10000000)
          .From("=?utf-8?B?" + fixtures::Base64("J\xC3\xB6rg") + "?= <joerg@example.org>")
          .To("Ann Lee <ann@example.org>, bob@example.org")
          .Subject(fixtures::EncodedWord("koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", 'B'))
          .Date("Mon, 5 Jan 2013 10:20:30 +0000")
          .MessageId("<id1@example.org>")
          .Priority("1 (Highest)")
          .Body("body\n")
          .LineEnd("\n")
          .Build();
  const std::vector<TMessageInfo> records =
      Records(MboxBuilder().Add(eml).Add(Message("plain")).Build(), u"Sent");
  ASSERT_EQ(records.size(), 2u);
  const TMessageInfo& r = records[0];
  EXPECT_EQ(r.Flags, 0x4080u);
  EXPECT_EQ(r.SenderName, u"J\u00F6rg");
  EXPECT_EQ(r.SenderEmail, u"joerg@example.org");
  EXPECT_EQ(r.ReceiverName, u"Ann Lee");  // the first receiver
  EXPECT_EQ(r.ReceiverEmail, u"ann@example.org");
  EXPECT_EQ(r.Subject, u"\u041F\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(r.Received, u"Mon, 5 Jan 2013 10:20:30 +0000");
  EXPECT_NE(r.ReceivedDate, 0);
  EXPECT_EQ(r.ID, u"<id1@example.org>");
  EXPECT_EQ(r.Priority, 1u);
  EXPECT_EQ(r._Folder, u"Sent");
  EXPECT_EQ(r.Address, 0u);
  EXPECT_EQ(r.Index, 0u);
  EXPECT_EQ(r.DataOffset, 0u);
  EXPECT_EQ(r.Server, u"");
  EXPECT_EQ(r.Account, u"");
  // A message without date, status or receivers after one that had them starts from scratch.
  const TMessageInfo& plain = records[1];
  EXPECT_EQ(plain.Flags, 0u);
  EXPECT_EQ(plain.ReceivedDate, 0);
  EXPECT_EQ(plain.ReceiverEmail, u"");
  EXPECT_EQ(plain.Priority, 0u);
}

TEST(MboxRecord, RawEightBitHeadersReadAsUtf8OrWindows1252) {
  const std::string text =
      "From - x\nX-Mozilla-Status: 0001\nSubject: Gr\xC3\xBC\xC3\x9F"
      "e\n\n"
      "From - y\nX-Mozilla-Status: 0001\nSubject: Gr\xFC\xDF"
      "e\n\n";
  const std::vector<TMessageInfo> records = Records(text);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Subject, u"Gr\u00FC\u00DFe");
  EXPECT_EQ(records[1].Subject, u"Gr\u00FC\u00DFe");
  // Size counts bytes: the UTF-8 subject is two bytes longer than the Windows-1252 one.
  EXPECT_EQ(records[0].Size, records[1].Size + 2);
}

}  // namespace
}  // namespace kv
