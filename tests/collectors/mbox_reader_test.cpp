// An mbox file read in parts at the same time gives the records one reader from start to end
// gives: for every place the parts can be cut, every number of parts, odd texts and real files,
// and a read failure in any part.
#include "collectors/mbox_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "base/error.h"
#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"
#include "support/eml_builder.h"
#include "support/mbox_builder.h"
#include "support/realdata.h"

namespace kv {
namespace {

using fixtures::EmlBuilder;
using fixtures::MboxBuilder;

// A file in memory whose reads fail from `failAt` on.
class TTextStream final : public IReadStream {
 public:
  TTextStream(const std::string& text, uint64_t failAt) : FText(text), FFailAt(failAt) {}
  uint64_t Size() const override { return FText.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= FFailAt) throw EKolvaneError(u"read fault");
    if (offset >= FText.size()) return 0;
    const size_t n = size_t(std::min<uint64_t>({count, FText.size() - offset, FFailAt - offset}));
    std::memcpy(buffer, FText.data() + offset, n);
    return n;
  }

 private:
  const std::string& FText;
  uint64_t FFailAt;
};

// The records of one reader from start to end, and whether it failed.
TMessages OneReader(const std::string& text, uint64_t failAt, bool& failed) {
  TMessages out;
  TEMLHeader header;
  TMessageInfo record;
  TTextStream stream(text, failAt);
  failed = false;
  try {
    SplitMbox(stream, [&](const TMboxMessage& m) {
      MboxMessageRecord(m, u"Inbox", TEmailClient::ecThunderbird, header, record);
      out.push_back(record);
    });
  } catch (const EKolvaneError&) {
    failed = true;
  }
  return out;
}

TMessages InParts(const std::string& text, uint64_t partBytes, size_t parts, uint64_t failAt,
                  bool& failed) {
  SetMboxPartSize(partBytes, parts);
  TRecordStore store;
  failed = false;
  try {
    ReadMboxRecords([&] { return std::make_unique<TTextStream>(text, failAt); }, u"Inbox",
                    TEmailClient::ecThunderbird, store);
  } catch (const EKolvaneError&) {
    failed = true;
  }
  SetMboxPartSize(uint64_t(16) << 20);
  return store;
}

void ExpectSameInParts(const std::string& text, const std::string& what) {
  bool failed = false;
  const TMessages whole = OneReader(text, UINT64_MAX, failed);
  for (size_t parts : {2, 3, 5, 16})
    for (uint64_t step : {uint64_t(1), uint64_t(7), uint64_t(64)}) {
      if (text.size() / step > 400 && step == 1) continue;
      bool partFailed = true;
      ASSERT_EQ(InParts(text, std::max<uint64_t>(step, text.size() / parts), parts, UINT64_MAX,
                        partFailed),
                whole)
          << what << ", " << parts << " parts";
      EXPECT_FALSE(partFailed);
    }
}

std::string Message(const std::string& subject, const std::string& body,
                    const std::string& end = "\n") {
  return EmlBuilder()
      .MozillaStatus(1)
      .From("Ann <ann@example.org>")
      .Subject(subject)
      .Date("Tue, 1 Jan 2013 12:00:00 +0100")
      .Body(body)
      .LineEnd(end)
      .Build();
}

TEST(MboxReader, PartsCutAnywhereGiveTheRecordsOfOneReader) {
  // Separators of both kinds, "From " body lines that cut nothing, CR LF and LF, a message
  // before which the cut lands in a long header, and lines before the first message.
  std::string text = "stray line\nFrom nobody\n\n";
  for (int i = 0; i < 60; ++i) {
    std::string body = "line\nFrom the start of a body line\n>From quoted\n\n";
    body += std::string(size_t(i * 37 % 500), 'b') + "\n";
    text += MboxBuilder().Add(Message("m" + std::to_string(i), body, i % 3 ? "\n" : "\r\n")).Build();
    if (i % 4 == 0)
      text += "\nFrom classic@example.org Tue Jan  1 12:00:00 2013\nSubject: classic\n\nbody\n";
  }
  text += "From - last\r\nX-Mozilla-Status: 0001\r\nSubject: " + std::string(3000, 's') +
          "\r\n\r\nno line end";
  ExpectSameInParts(text, "mixed");
  // Every cut place of a smaller text, two parts.
  const std::string small = MboxBuilder().Add(Message("a", "x\n")).Add(Message("b", "y\n")).Build();
  bool failed = false;
  const TMessages whole = OneReader(small, UINT64_MAX, failed);
  for (uint64_t cut = 1; cut < small.size(); ++cut)
    ASSERT_EQ(InParts(small, cut, 2, UINT64_MAX, failed), whole) << cut;
  for (const std::string& odd : {std::string(), std::string("no messages\nat all\n"),
                                 std::string("From - x\nX-Mozilla-Status: 1")})
    ExpectSameInParts(odd, "odd");
}

TEST(MboxReader, AFailureKeepsTheRecordsBeforeItAsOneReaderDoes) {
  MboxBuilder mbox;
  for (int i = 0; i < 40; ++i)
    mbox.Add(Message("m" + std::to_string(i), std::string(3000, 'b') + "\n"));
  const std::string text = mbox.Build();
  for (uint64_t failAt : {uint64_t(0), uint64_t(5000), text.size() / 3, text.size() / 2 + 100,
                          text.size() - 10}) {
    bool failed = false, partsFailed = false;
    const TMessages whole = OneReader(text, failAt, failed);
    ASSERT_TRUE(failed);
    // A part that fails to start leaves the reading to one reader; one that fails on its way
    // keeps the records before the failure.
    const TMessages parts = InParts(text, text.size() / 4, 4, failAt, partsFailed);
    EXPECT_TRUE(partsFailed) << failAt;
    EXPECT_EQ(parts, whole) << failAt;
  }
}

TEST(MboxReader, RealFilesInParts) {
  const auto folder = test::RealDataPath("mbox");
  KV_SKIP_WITHOUT_REAL_DATA(folder);
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.file_size() > (8u << 20)) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    if (text.find("From ") == std::string::npos) continue;
    ExpectSameInParts(text, entry.path().string());
    ++files;
  }
  EXPECT_GT(files, 5u);
}

}  // namespace
}  // namespace kv
