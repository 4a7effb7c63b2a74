// The mbox splitter and the record of each message over arbitrary bytes. The input is the text
// whole, so a real mbox file is a seed as it is; its last byte picks a block size. The text fed
// whole must give the messages that the rules read literally give, and fed in blocks of that
// size, in every scan mode, the same messages again; each message must lie inside the text. The
// same bytes also go through the INI reader of profiles.ini.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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
