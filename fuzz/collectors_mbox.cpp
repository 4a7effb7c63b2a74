// The mbox splitter and the record of each message over arbitrary bytes. The first byte picks a
// block size and a scan mode: the text fed in blocks of that size, in any scan mode, must give
// the same messages as fed whole, and each message must lie inside the text. The same bytes also
// go through the INI reader of profiles.ini.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"
#include "collectors/thunderbird_ini.h"

namespace {

struct TCut {
  std::string Header;
  uint64_t Size;
  uint64_t Offset;
  bool operator==(const TCut&) const = default;
};

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
  const size_t block = 1 + data[0] % 64;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<TCut> whole = Split(text, text.size() + 1);
  if (Split(text, block) != whole) std::abort();
  // Body lines passed over in wide steps or line by line: the same messages.
  kv::SetMboxScan(data[0] & 0x80 ? kv::TMboxScan::LineByLine : kv::TMboxScan::Sse2);
  const std::vector<TCut> narrow = Split(text, block);
  kv::SetMboxScan(kv::TMboxScan::Widest);
  if (narrow != whole) std::abort();
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
