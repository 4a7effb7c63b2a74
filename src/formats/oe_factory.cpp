#include "formats/dbx_reader.h"
#include "formats/mbx_reader.h"
#include "formats/oe_reader.h"

namespace kv {

std::unique_ptr<TOEReader> CreateOEReader(const TOEFiles& files, const std::u16string& AFileName) {
  TOEFileType type;
  {
    // The probe only detects the type; it closes its file when it goes out of scope, also
    // when the detection throws.
    TOEReader probe(files);
    probe.LoadFromFile(AFileName);
    type = probe.FileType();
  }
  std::unique_ptr<TOEReader> reader;
  if (type == TOEFileType::oe4)
    reader = std::make_unique<TMBXReader>(files);
  else if (type == TOEFileType::oe5)
    reader = std::make_unique<TDBXReader>(files);
  else
    throw EOEReaderException(kOENotSupported);
  reader->LoadFromFile(AFileName);
  reader->ReadMessages();
  return reader;
}

}  // namespace kv
