// CSV per RFC 4180: fields separated by ",", records ended by CRLF, a field quoted when it holds
// a quote, a comma, CR or LF, and quotes inside doubled. Text is UTF-8; unpaired surrogates
// become U+FFFD.
#pragma once

#include "cli/row_writer.h"

namespace kv {

// Appends one field, quoted where needed.
void AppendCsvField(std::string& out, std::u16string_view text);

class TCsvWriter final : public TRowWriter {
 public:
  TCsvWriter(std::ostream& out, std::vector<TColumn> columns, bool bom);
  void WriteRow(std::span<const std::u16string> cells) override;
  void Finish() override;

 private:
  std::ostream& FOut;
  std::vector<TColumn> FColumns;
  std::string FLine;  // reused for every row
};

}  // namespace kv
