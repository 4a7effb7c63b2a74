#include "cli/row_writer.h"

#include "base/error.h"
#include "cli/csv_writer.h"
#include "cli/jsonl_writer.h"
#include "cli/table_writer.h"

namespace kv {

std::optional<TOutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "table") return TOutputFormat::ofTable;
  if (name == "csv") return TOutputFormat::ofCsv;
  if (name == "jsonl") return TOutputFormat::ofJsonLines;
  return std::nullopt;
}

std::unique_ptr<TRowWriter> MakeRowWriter(TOutputFormat format, std::ostream& out,
                                          std::vector<TColumn> columns,
                                          const TWriterOptions& options) {
  switch (format) {
    case TOutputFormat::ofCsv:
      return std::make_unique<TCsvWriter>(out, std::move(columns), options);
    case TOutputFormat::ofJsonLines:
      return std::make_unique<TJsonLinesWriter>(out, std::move(columns));
    case TOutputFormat::ofTable: break;
  }
  return std::make_unique<TTableWriter>(out, std::move(columns), options);
}

void CheckStream(const std::ostream& out) {
  if (out.fail()) throw EKolvaneError(std::string("cannot write the output"));
}

void TLineRowWriter::EmitLine() {
  FOut.write(FLine.data(), std::streamsize(FLine.size()));
  CheckStream(FOut);
}

void TLineRowWriter::Finish() {
  FOut.flush();
  CheckStream(FOut);
}

}  // namespace kv
