// Export rows made straight from the bytes of stored record lines, for CSV and JSON Lines: a
// line is cut into its fields as ParseMessageLine cuts it, and each field is written as the
// row writer writes the cell that ExportCells makes of it, with no record and no UTF-16 cell
// on the way. The bytes are those of that path (export_rows.h runs both); a line this encoder
// does not take, UTF-8 that is not valid, is left to that path.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/row_writer.h"
#include "core/message.h"

namespace kv {

class TExportLineEncoder {
 public:
  // A line taken off a folder's text and cut into its record-line fields.
  struct TLine {
    std::string_view Text;  // without its line end
    std::array<std::string_view, kLineFieldCount> Fields;
    bool Plain = true;  // every byte is ASCII that the format writes as it is
    // What the bytes of each field ask of its cell (kQuote, kEncode), or kLook when the line
    // held too many such bytes to place.
    std::array<unsigned char, kLineFieldCount> Need{};
  };

  // Whether the encoder writes rows of this form: CSV and JSON Lines.
  static bool Writes(TOutputFormat format);
  // `format` one Writes() accepts; of the options only GuardFormulas matters (the writer
  // starts the output, byte-order mark and header).
  TExportLineEncoder(TOutputFormat format, const TWriterOptions& options);

  // The client and folder of the rows that follow.
  void SetFolder(TEmailClient client, std::u16string_view folder);

  // Takes the next line off `rest` as TakeStoredLine does (call while `rest` is not empty), of
  // a Windows-1252 text or, with `utf8`, a UTF-8 one.
  void TakeLine(std::string_view& rest, bool utf8, TLine& line) const;
  // The most bytes the row of `line` can take, and a little room that Encode may write past its
  // end.
  size_t MaxRowBytes(const TLine& line) const;
  // Writes the row of `line` (Windows-1252, or UTF-8 when `utf8`) at `out`, which has room for
  // MaxRowBytes(line), and returns the row's end; nullptr, and nothing written, for a line that
  // must take the record path.
  char* Encode(const TLine& line, bool utf8, char* out);

 private:
  char* Text(char* p, std::string_view field, unsigned char need, bool utf8) const;
  // Whether a spreadsheet runs the (non-empty) text as a formula, so CSV guards it.
  bool Guarded(std::string_view field, bool utf8) const;
  char* Number(char* p, std::string_view field, bool utf8);
  char* Date(char* p, std::string_view field, bool utf8);
  // The field's text as the record path decodes it, for the rules of base/text.h.
  std::u16string_view Wide(std::string_view field, bool utf8);

  // A short piece of output (a byte's, a column's lead), copied at its fixed width: the bytes,
  // and how many of them count.
  template <size_t N>
  struct TPiece {
    std::array<char, N> Data{};
    size_t Size = 0;
  };
  using TBytes = TPiece<8>;
  using TLead = TPiece<32>;

  bool FCsv;
  bool FGuardFormulas;
  std::string FPrefix;  // the row's start: client and folder cells, and index's key for JSON
  std::array<TLead, kLineFieldCount> FLead;  // what goes before each later field's cell
  TLead FEnd;                                // the row's end
  size_t FLeadBytes = 0;                     // of every lead and the end
  std::array<TBytes, 256> FByte;             // a Windows-1252 byte within a (quoted) text cell
  // What a byte asks of a text cell: kQuote (CSV: the cell is quoted), kEncode (the byte is
  // not written as it is); for Windows-1252 text and for UTF-8. kLook: the field must be looked
  // at to tell.
  static constexpr unsigned char kQuote = 1, kEncode = 2, kLook = 4;
  std::array<unsigned char, 256> FClass{}, FClassUtf8{};
  std::array<bool, 256> FGuards{};  // CSV: a Windows-1252 text that begins so is a formula
  TBytes FLineSeparator, FParagraphSeparator;  // JSON: U+2028 and U+2029
  std::u16string FWide;                        // reused by Wide()
};

}  // namespace kv
