// Writers of listing output: one header, then one row at a time, so that a listing of any
// length streams through without being held. Three forms:
//   table  an aligned text table for people (column widths measured in character cells),
//   csv    RFC 4180 in UTF-8 with a header row of the column keys, CRLF line ends,
//   jsonl  JSON Lines, one object per row keyed by the column keys.
// Cells arrive as UTF-16 text; numbers as decimal text and booleans as "true"/"false", which
// JSON writes bare. Every writer raises EKolvaneError when the stream fails.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

enum class TOutputFormat { ofTable, ofCsv, ofJsonLines };

// "table", "csv" or "jsonl"; nullopt for anything else.
std::optional<TOutputFormat> ParseOutputFormat(std::string_view name);

enum class TCellKind { ckText, ckNumber, ckBoolean };

struct TColumn {
  std::string Key;       // CSV header and JSON key
  std::u16string Title;  // table header
  TCellKind Kind = TCellKind::ckText;
  bool RightAligned = false;
  size_t MaxWidth = 0;  // table: cells wider than this are cut with "…"; 0 = the default
};

struct TWriterOptions {
  bool Bom = false;  // csv: start with the UTF-8 byte-order mark
  // csv: a text cell a spreadsheet would run as a formula (see csv_writer.h) gets a leading "'".
  bool GuardFormulas = false;
  size_t TableProbeRows = 500;  // table: rows read ahead to measure the column widths
  size_t TableMaxWidth = 48;    // table: default cap of a text column's width
};

class TRowWriter {
 public:
  virtual ~TRowWriter() = default;
  // One row; `cells` holds one text per column (missing cells are empty, extra ones ignored).
  virtual void WriteRow(std::span<const std::u16string> cells) = 0;
  // Writes what is held back and flushes; call once after the last row.
  virtual void Finish() = 0;
};

// The base of the three writers: the stream, the columns, and one line buffer reused for every
// row and written out whole.
class TLineRowWriter : public TRowWriter {
 public:
  // Flushes the stream; raises when it has failed.
  void Finish() override;

 protected:
  TLineRowWriter(std::ostream& out, std::vector<TColumn> columns)
      : FOut(out), FColumns(std::move(columns)) {}
  // Writes FLine; raises when the stream has failed.
  void EmitLine();

  std::ostream& FOut;
  std::vector<TColumn> FColumns;
  std::string FLine;
};

std::unique_ptr<TRowWriter> MakeRowWriter(TOutputFormat format, std::ostream& out,
                                          std::vector<TColumn> columns,
                                          const TWriterOptions& options = {});

// Raises EKolvaneError when `out` has failed (a full disk, a closed pipe).
void CheckStream(const std::ostream& out);

}  // namespace kv
