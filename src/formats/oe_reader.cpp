#include "formats/oe_reader.h"

#include <algorithm>
#include <cstring>

#include "base/codepage.h"

namespace kv {

namespace oe_detail {
std::u16string Text8(std::string_view bytes) {
  std::u16string out;
  Text8(bytes, out);
  return out;
}

void Text8(std::string_view bytes, std::u16string& out) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  out.resize(bytes.size());
  Widen8(bytes, out.data());
}

namespace {

// Whether one of the eight bytes of `x` is 0x80..0x9F, which the code page maps elsewhere: the
// bytes whose top three bits are 100 become zero bytes, found by the usual borrow test.
bool HasMappedByte(uint64_t x) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  const uint64_t y = (x & (0xE0 * kOnes)) ^ (0x80 * kOnes);
  return ((y - kOnes) & ~y & (0x80 * kOnes)) != 0;
}

}  // namespace

// Widened 16 bytes at a time from a copy of them (a few vector instructions), the last run
// overlapping the one before; only a run that holds one of the bytes the code page maps
// elsewhere, rare in text, goes through the code page again, as does a text shorter than a run.
void Widen8(std::string_view bytes, char16_t* out) {
  constexpr size_t kRun = 16;
  if (bytes.size() < kRun) return Cp1252ToUtf16(bytes, out);
  for (size_t i = 0; i < bytes.size(); i += kRun) {
    i = std::min(i, bytes.size() - kRun);
    unsigned char run[kRun];
    std::memcpy(run, bytes.data() + i, kRun);
    for (size_t k = 0; k < kRun; ++k) out[i + k] = run[k];
    uint64_t halves[2];
    std::memcpy(halves, run, kRun);
    if (HasMappedByte(halves[0]) || HasMappedByte(halves[1]))
      Cp1252ToUtf16(bytes.substr(i, kRun), out + i);
  }
}

}  // namespace oe_detail

TOEReader::TOEReader(TOEFiles files) : FFiles(std::move(files)) {}

TOEReader::~TOEReader() = default;

std::u16string TOEReader::FolderName() const { return {}; }
std::u16string TOEReader::GetHeaderText(uint32_t) { return {}; }
std::u16string TOEReader::GetMessageText(uint32_t) { return {}; }
uint32_t TOEReader::MessageCount() const { return 0; }

void TOEReader::GetMessageInfo(uint32_t index, TMessageInfo& info) const {
  info = index < FMI.size() ? FMI[index].ToInfo() : TMessageInfo{};
}

void TOEReader::OpenFile(const std::u16string& AFileName) {
  FLoaded = false;
  FFilename = AFileName;
  FContent.reset();
  FFT = TOEFileType::oeUnknown;
  FContent = FFiles.Open(AFileName);
  if (!FContent) throw EKolvaneError(kOEReadError);
  unsigned char sig[4];
  if (FContent->ReadAt(0, sig, 4) != 4) throw EKolvaneError(kOEReadError);
  const uint32_t value = oe_detail::U32(sig);
  if (value == kMbxSignature)
    FFT = TOEFileType::oe4;
  else if (value == kDbxSignature)
    FFT = TOEFileType::oe5;
  FLoaded = true;
}

void TOEReader::ReadMessages() {}

}  // namespace kv
