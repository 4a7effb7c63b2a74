// The mbox splitter and the record of each message over arbitrary bytes. The input is the text
// whole, so a real mbox file is a seed as it is; its last byte picks a block size. The text fed
// whole must give the messages that the rules read literally give, and fed in blocks of that
// size, in every scan mode, the same messages again; each message must lie inside the text. The
// same bytes also go through the INI reader of profiles.ini. Read in parts, as a large file is on
// threads (each part from the first message start at or after a cut the input's first bytes
// choose), the parts together give the same messages again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"
#include "collectors/mbox_rules.h"
#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"
#include "collectors/thunderbird_ini.h"

namespace {

using TCut = kv::test::TMboxCut;

std::vector<TCut> Split(std::string_view text, size_t block) {
  std::vector<TCut> cuts;
  kv::TEMLHeader header;
  kv::TMessageInfo record;
  kv::TMboxSplitter splitter([&](const kv::TMboxMessage& m) {
    cuts.push_back({std::string(m.Header), m.Size, m.Offset});
    kv::MboxMessageRecord(m, u"Inbox", kv::TEmailClient::ecThunderbird, header, record);
  });
  for (size_t at = 0; at < text.size(); at += block) splitter.Feed(text.substr(at, block));
  splitter.Finish();
  return cuts;
}

// The messages of [begin, end) of the text, read as one part of a file.
void SplitPart(kv::IReadStream& stream, uint64_t begin, uint64_t end, std::vector<TCut>& cuts) {
  kv::SplitMboxPart(stream, begin, end, [&](const kv::TMboxMessage& m) {
    cuts.push_back({std::string(m.Header), m.Size, m.Offset});
  });
}

// Cuts the text at up to three places the input's first bytes choose; each part begins where
// the first message at or after its cut begins. The parts must give the messages of the whole.
void CheckParts(std::string_view text, const std::vector<TCut>& whole) {
  kv::TMemoryReadStream stream{std::string(text)};
  std::vector<uint64_t> starts{0};
  for (size_t k = 0; k < 3 && k < text.size(); ++k) {
    const uint64_t cut = text.size() * uint8_t(text[k]) / 256;
    const uint64_t start = kv::NextMessageStart(stream, cut);
    // A start is a message's offset or the text's end, never before the cut.
    bool known = start == text.size();
    for (const TCut& c : whole) known = known || c.Offset == start;
    if (start < cut || !known) std::abort();
    starts.push_back(start);
  }
  std::sort(starts.begin(), starts.end());
  starts.push_back(UINT64_MAX);
  std::vector<TCut> parts;
  for (size_t k = 0; k + 1 < starts.size(); ++k) SplitPart(stream, starts[k], starts[k + 1], parts);
  if (parts != whole) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t block = 1 + data[size - 1] % 64;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<TCut> whole = Split(text, text.size() + 1);
  // The literal reading keeps headers whole: it holds for texts below the header limit.
  if (text.size() < kv::TMboxSplitter::kMaxHeaderBytes && whole != kv::test::ReferenceMboxCut(text))
    std::abort();
  // Body lines passed over in the widest steps, in SSE2 steps or line by line: the same messages.
  for (kv::TMboxScan scan :
       {kv::TMboxScan::Widest, kv::TMboxScan::Sse2, kv::TMboxScan::LineByLine}) {
    kv::SetMboxScan(scan);
    const std::vector<TCut> cut = Split(text, block);
    kv::SetMboxScan(kv::TMboxScan::Widest);
    if (cut != whole) std::abort();
  }
  CheckParts(text, whole);
  uint64_t last = 0;
  for (const TCut& c : whole) {
    // Header lines are never empty, so the kept header is at most twice the message's bytes.
    if (c.Offset < last || c.Offset + c.Size > text.size() || c.Header.size() > 2 * c.Size ||
        c.Header.size() > kv::TMboxSplitter::kMaxHeaderBytes)
      std::abort();
    if (c.Header.compare(0, 5, "From ") != 0) std::abort();
    last = c.Offset + 1;
  }
  kv::TIniFile ini;
  ini.LoadFromBytes(text);
  ini.ReadString(u"Profile0", u"Path");
  return 0;
}
