// JSON Lines: one JSON object per row and line, keys in column order. Strings are escaped so
// that any UTF-16 text round-trips: quote, backslash and control characters escaped (\n, \t,
// ... or \u00XX), U+2028 and U+2029 escaped too, surrogate pairs written as the one UTF-8
// character they form, and an unpaired surrogate kept as its \uXXXX escape.
#pragma once

#include "cli/row_writer.h"

namespace kv {

// Appends `text` as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::u16string_view text);

class TJsonLinesWriter final : public TLineRowWriter {
 public:
  TJsonLinesWriter(std::ostream& out, std::vector<TColumn> columns);
  void WriteRow(std::span<const std::u16string> cells) override;

 private:
  std::vector<std::string> FKeys;  // each key already written as a JSON string with ":"
};

}  // namespace kv
