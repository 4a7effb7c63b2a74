// Any UTF-16 text as cells: every writer finishes, CSV and JSON output is valid UTF-8, and a
// cut text fits the width it was cut to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "cli/row_writer.h"
#include "cli/text_width.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t width = data[0] % 16;
  std::u16string text;
  for (size_t i = 1; i + 1 < size; i += 2) text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
  // Cells are cut at U+FFFF, so NULs stay inside cells.
  std::vector<std::u16string> cells(1);
  for (char16_t c : text) {
    if (c == 0xFFFF)
      cells.emplace_back();
    else
      cells.back() += c;
  }
  if (kv::DisplayWidth(kv::FitWidth(text, width)) > width) std::abort();

  std::vector<kv::TColumn> columns = {{"a", u"A", kv::TCellKind::ckText, false, 5},
                                      {"b", u"B", kv::TCellKind::ckNumber, true, 0},
                                      {"c", u"C", kv::TCellKind::ckBoolean, false, 0}};
  for (auto format :
       {kv::TOutputFormat::ofTable, kv::TOutputFormat::ofCsv, kv::TOutputFormat::ofJsonLines}) {
    std::ostringstream out;
    kv::TWriterOptions options;
    options.TableProbeRows = 1;
    options.GuardFormulas = (data[0] & 0x10) != 0;
    auto writer = kv::MakeRowWriter(format, out, columns, options);
    writer->WriteRow(cells);
    writer->WriteRow(cells);
    writer->Finish();
    if (!kv::IsValidUtf8(out.str())) std::abort();
  }
  return 0;
}
