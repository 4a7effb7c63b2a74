// Fuzzes the .mbx/.idx reader: loading, the records from the .idx file or from the message
// headers, and the texts. An input that begins with the .mbx signature is an .mbx file whole
// with no .idx file, as real files come. Any other input is a folder of its own (first byte
// odd: bytes 1-2 give the .mbx length, the rest is the .idx file, absent when empty) or a patch
// over a small valid folder (bytes 1-2 choose where; byte 3's low bit whether the .idx file is
// there, its next bit which of the two files the patch goes to).
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/mbx_reader.h"
#include "oe_exercise.h"
#include "support/mbx_builder.h"

namespace {

const kv::fixtures::MbxFolder& BaseFolder() {
  static const kv::fixtures::MbxFolder base = [] {
    kv::fixtures::MbxBuilder b;
    for (int i = 0; i < 4; ++i) {
      kv::fixtures::MbxMessage m;
      m.Text = "From: =?utf-8?B?QW5u?= <a@x>\r\nSubject: s" + std::to_string(i) +
               "\r\nDate: Mon, 5 Jan 2013 10:20:30 +0100\r\n\r\nbody";
      m.Subject = "s";
      m.SenderEmail = "a@x";
      m.Received = 0x01CB1920A05B2000ULL;
      b.Add(m);
    }
    return b.Build();
  }();
  return base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  std::string mbx, idx;
  bool hasIdx;
  const size_t pos = size_t(data[1]) | size_t(data[2]) << 8;
  if (size >= 4 && kv::oe_detail::U32(data) == kv::kMbxSignature) {
    mbx.assign(reinterpret_cast<const char*>(data), size);
    hasIdx = false;
  } else if (data[0] & 1) {
    const size_t split = std::min(pos, size - 3);
    mbx.assign(reinterpret_cast<const char*>(data + 3), split);
    idx.assign(reinterpret_cast<const char*>(data + 3 + split), size - 3 - split);
    hasIdx = !idx.empty();
  } else {
    if (size < 4) return 0;
    mbx = BaseFolder().Mbx;
    idx = BaseFolder().Idx;
    hasIdx = data[3] & 1;
    std::string& target = (data[3] & 2) ? idx : mbx;
    const size_t at = pos % target.size();
    for (size_t k = 4; k < size && at + k - 4 < target.size(); ++k)
      target[at + k - 4] = char(data[k]);
  }
  kv::TOEFiles files{[&](const std::u16string& path) -> std::unique_ptr<kv::IReadStream> {
                       return std::make_unique<kv::TMemoryReadStream>(path == u"f.idx" ? idx : mbx);
                     },
                     [&](const std::u16string& path) { return path == u"f.idx" && hasIdx; }};
  kv::fuzz::ExerciseOEReader(files, u"f.mbx");
  return 0;
}
