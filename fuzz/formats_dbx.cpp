// Fuzzes the .dbx reader: the whole listing and both text assemblies of every message. An input
// that begins with the .dbx signature is a file whole, as real files and the builder's files
// come; any other input is a file of its own after its first byte (first byte odd) or a patch
// over a small valid file with a tree of several levels, so the fuzzer reaches the index,
// attributes and block chains quickly. Listed in three parts at the same time, as a large folder
// is, the folder gives the records of one listing, or the same failure.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "formats/dbx_reader.h"
#include "oe_exercise.h"
#include "support/dbx_builder.h"

namespace {

const std::string& BaseFile() {
  static const std::string base = [] {
    kv::fixtures::DbxBuilder b;
    b.SetNodeCapacity(2);
    for (int i = 0; i < 6; ++i) {
      kv::fixtures::DbxMessage m;
      m.Subject = "s" + std::to_string(i);
      m.SenderName = "n";
      m.SenderEmail = "e@x";
      m.Received = 0x01CB1920A05B2000ULL;
      m.Text = "From: a\r\nSubject: b\r\n\r\nbody " + std::string(size_t(i) * 20, 'x');
      m.BlockSize = 24;
      b.Add(m);
    }
    return b.Build().Bytes;
  }();
  return base;
}

// The records of the folder listed in `parts` parts; whether the listing failed.
bool List(const kv::TOEFiles& files, size_t parts, kv::TMessages& records) {
  kv::TDBXReader reader(files);
  reader.SetPartSize(parts == 1 ? SIZE_MAX : 1, parts);
  try {
    reader.LoadFromFile(u"f.dbx");
    reader.ReadMessages();
    records = reader.Messages();
    return false;
  } catch (const kv::EKolvaneError&) {
    records = reader.Messages();
    return true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string file;
  if (size >= 4 && kv::oe_detail::U32(data) == kv::kDbxSignature) {
    file.assign(reinterpret_cast<const char*>(data), size);
  } else if (data[0] & 1) {
    file.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  } else {
    // Bytes 1-2 choose where the patch goes, from the end of the header on.
    file = BaseFile();
    if (size < 3) return 0;
    const size_t region = file.size() - kv::TDBX_Header::kSize;
    const size_t at =
        kv::TDBX_Header::kSize + (size_t(data[1]) | size_t(data[2]) << 8) * 4 % region;
    for (size_t k = 3; k < size && at + k - 3 < file.size(); ++k) file[at + k - 3] = char(data[k]);
  }
  kv::TOEFiles files{[&](const std::u16string&) -> std::unique_ptr<kv::IReadStream> {
                       return std::make_unique<kv::TMemoryReadStream>(file);
                     },
                     [](const std::u16string&) { return false; }};
  kv::fuzz::ExerciseOEReader(files, u"f.dbx");
  kv::TMessages whole, parts;
  if (List(files, 1, whole) != List(files, 3, parts) || whole != parts) std::abort();
  return 0;
}
