#include "formats/oe_reader.h"

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
  Cp1252ToUtf16(bytes, out.data());
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
