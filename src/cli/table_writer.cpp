#include "cli/table_writer.h"

#include <algorithm>

#include "base/codepage.h"
#include "cli/text_width.h"

namespace kv {

TTableWriter::TTableWriter(std::ostream& out, std::vector<TColumn> columns,
                           const TWriterOptions& options)
    : TLineRowWriter(out, std::move(columns)), FOptions(options) {}

void TTableWriter::WriteRow(std::span<const std::u16string> cells) {
  TCells& row = FWidths.empty() ? FHeld.emplace_back() : FCells;
  row.resize(FColumns.size());
  for (size_t i = 0; i < FColumns.size(); ++i)
    row[i] = i < cells.size() ? OneLine(cells[i]) : std::u16string();
  if (!FWidths.empty()) {
    WriteLine(row);
  } else if (FHeld.size() >= std::max<size_t>(FOptions.TableProbeRows, 1)) {
    FixWidths();
  }
}

void TTableWriter::FixWidths() {
  FWidths.assign(FColumns.size(), 0);
  for (size_t i = 0; i < FColumns.size(); ++i) {
    const TColumn& column = FColumns[i];
    size_t width = DisplayWidth(OneLine(column.Title));
    for (const auto& row : FHeld) width = std::max(width, DisplayWidth(row[i]));
    if (column.Kind == TCellKind::ckText) {
      size_t cap = column.MaxWidth ? column.MaxWidth : FOptions.TableMaxWidth;
      width = std::min(width, std::max(cap, DisplayWidth(column.Title)));
    }
    FWidths[i] = std::max<size_t>(width, 1);
  }
  TCells titles;
  for (const auto& column : FColumns) titles.push_back(OneLine(column.Title));
  WriteLine(titles);
  TCells rule;
  for (size_t width : FWidths) rule.push_back(std::u16string(width, u'-'));
  WriteLine(rule);
  for (const auto& row : FHeld) WriteLine(row);
  FHeld.clear();
  FHeld.shrink_to_fit();
}

void TTableWriter::WriteLine(const TCells& cells) {
  FLine.clear();
  size_t pendingBlanks = 0;  // padding is written only when more text follows on the line
  for (size_t i = 0; i < FColumns.size(); ++i) {
    const std::u16string* text = &cells[i];
    size_t width = DisplayWidth(*text);
    std::u16string cut;
    if (FColumns[i].Kind == TCellKind::ckText && width > FWidths[i]) {
      cut = FitWidth(*text, FWidths[i]);
      text = &cut;
      width = DisplayWidth(cut);
    }
    size_t pad = width < FWidths[i] ? FWidths[i] - width : 0;
    if (i) pendingBlanks += 2;
    if (FColumns[i].RightAligned) pendingBlanks += pad;
    if (!text->empty()) {
      FLine.append(pendingBlanks, ' ');
      FLine += Utf16ToUtf8(*text);
      pendingBlanks = 0;
    }
    if (!FColumns[i].RightAligned) pendingBlanks += pad;
  }
  FLine += '\n';
  EmitLine();
}

void TTableWriter::Finish() {
  if (FWidths.empty()) FixWidths();
  TLineRowWriter::Finish();
}

}  // namespace kv
