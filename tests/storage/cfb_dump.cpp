// Lists a compound file the way our engine reads it, for comparison with other readers:
//   E <path> <S|T> <size>        every storage and stream, path parts joined by "/"
//   P <number> <kind> <value>    the SummaryInformation values (kind int, text, filetime, other)
// Text is printed as ASCII with \uXXXX escapes. Exit code 2 when the file cannot be read.
#include <cstdio>
#include <string>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/cfb/compound_file.h"
#include "storage/cfb/property_set.h"

namespace {

using namespace kv;
using namespace kv::cfb;

std::string Escape(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(char(c));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(c));
      out += buffer;
    }
  }
  return out;
}

void Walk(TCompoundFile& file, uint32_t storage, const std::string& prefix) {
  for (uint32_t id : file.Children(storage)) {
    const TDirEntry& e = file.Entry(id);
    std::string path = prefix + Escape(e.Name);
    std::printf("E\t%s\t%s\t%llu\n", path.c_str(), e.IsStorage() ? "S" : "T",
                e.IsStorage() ? 0ULL : static_cast<unsigned long long>(e.Size));
    if (e.IsStorage()) Walk(file, id, path + "/");
  }
}

void Properties(TCompoundFile& file) {
  uint32_t id = file.Find(TCompoundFile::kRoot, PropertySetStreamName(kFmtIdSummaryInformation));
  if (id == kNoStream) return;
  TPropertySet set = ParsePropertySet(file.ReadWholeStream(id), file.Path());
  const TPropertySection& section = set.Sections.front();
  if (section.HasCodePage) std::printf("P\t1\tint\t%d\n", int(section.CodePage));
  for (const auto& [number, v] : section.Values) {
    if (v.IsInteger()) {
      std::printf("P\t%u\tint\t%lld\n", number, static_cast<long long>(v.Int));
    } else if (v.IsText()) {
      std::printf("P\t%u\ttext\t%s\n", number, Escape(v.Text).c_str());
    } else if (v.Type == VT_FILETIME) {
      std::printf("P\t%u\tfiletime\t%llu\n", number, static_cast<unsigned long long>(v.FileTime));
    } else {
      std::printf("P\t%u\tother\t%u\n", number, unsigned(v.Type));
    }
  }
  for (const auto& [number, name] : section.Names)
    std::printf("N\t%u\t%s\n", number, Escape(name).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cfb_dump FILE\n");
    return 1;
  }
  try {
    auto file = TCompoundFile::OpenForReading(Utf8ToUtf16(argv[1]));
    Walk(*file, TCompoundFile::kRoot, "");
    Properties(*file);
  } catch (const EKolvaneError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  return 0;
}
