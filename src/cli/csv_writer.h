// CSV per RFC 4180: fields separated by ",", records ended by CRLF, a field quoted when it holds
// a quote, a comma, CR or LF, and quotes inside doubled. Text is UTF-8; unpaired surrogates
// become U+FFFD. Every text is written exactly as it is, unless formulas are guarded.
//
// Guarding formulas: a spreadsheet program opening the file may run a cell that begins with
// "=", "+", "-", "@", a tab or a CR as a formula (a leading tab or CR is dropped, and what
// follows is read). The texts of an export come from whoever sent the mail, so with
// TWriterOptions::GuardFormulas such a cell of a text column is written with a leading "'",
// which the spreadsheet takes as the mark of a text.
#pragma once

#include "cli/row_writer.h"

namespace kv {

// Appends one field, quoted where needed.
void AppendCsvField(std::string& out, std::u16string_view text);
// Whether a spreadsheet would run the text as a formula: it begins with "=", "+", "-", "@", a
// tab or a CR.
bool RunsAsFormula(std::u16string_view text);

class TCsvWriter final : public TLineRowWriter {
 public:
  TCsvWriter(std::ostream& out, std::vector<TColumn> columns, const TWriterOptions& options);
  void WriteRow(std::span<const std::u16string> cells) override;

 private:
  bool FGuardFormulas;
  std::u16string FGuarded;  // a guarded cell, reused
};

}  // namespace kv
