// An aligned text table for a terminal: a header line of the column titles, a rule of "-",
// then one line per row, columns two blanks apart, right-aligned columns padded on the left.
// The widths come from the titles and the first rows (TWriterOptions::TableProbeRows), which
// are held back until then; later rows are written at once. A text wider than its column is cut
// with "…" (text columns never grow past TableMaxWidth cells); numbers are never cut and push
// the line out instead. Control characters in a cell become blanks so a row stays one line.
#pragma once

#include "cli/row_writer.h"

namespace kv {

class TTableWriter final : public TLineRowWriter {
 public:
  TTableWriter(std::ostream& out, std::vector<TColumn> columns, const TWriterOptions& options);
  void WriteRow(std::span<const std::u16string> cells) override;
  void Finish() override;

 private:
  using TCells = std::vector<std::u16string>;
  void FixWidths();
  void WriteLine(const TCells& cells);

  TWriterOptions FOptions;
  std::vector<TCells> FHeld;    // rows read ahead until the widths are fixed
  std::vector<size_t> FWidths;  // empty until fixed
  TCells FCells;                // reused for rows written at once
};

}  // namespace kv
