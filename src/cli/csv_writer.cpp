#include "cli/csv_writer.h"

#include "base/codepage.h"

namespace kv {

void AppendCsvField(std::string& out, std::u16string_view text) {
  std::string utf8 = Utf16ToUtf8(text);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
    out += utf8;
    return;
  }
  out += '"';
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

TCsvWriter::TCsvWriter(std::ostream& out, std::vector<TColumn> columns, bool bom)
    : FOut(out), FColumns(std::move(columns)) {
  if (bom) FOut << "\xEF\xBB\xBF";
  FLine.clear();
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (i) FLine += ',';
    AppendCsvField(FLine, Utf8ToUtf16(FColumns[i].Key));
  }
  FLine += "\r\n";
  FOut << FLine;
  CheckStream(FOut);
}

void TCsvWriter::WriteRow(std::span<const std::u16string> cells) {
  FLine.clear();
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (i) FLine += ',';
    if (i < cells.size()) AppendCsvField(FLine, cells[i]);
  }
  FLine += "\r\n";
  FOut.write(FLine.data(), std::streamsize(FLine.size()));
  CheckStream(FOut);
}

void TCsvWriter::Finish() {
  FOut.flush();
  CheckStream(FOut);
}

}  // namespace kv
