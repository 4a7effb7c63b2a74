#include "cli/export_line.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/text.h"
#include "cli/csv_writer.h"
#include "cli/export_row.h"
#include "cli/jsonl_writer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

namespace {

// A piece of `text` for the encoder's tables; one longer than the piece is a fault here.
template <class TPieceOf>
TPieceOf Piece(std::string_view text) {
  TPieceOf piece;
  if (text.size() > piece.Data.size()) throw std::logic_error("an export piece is too long");
  std::memcpy(piece.Data.data(), text.data(), text.size());
  piece.Size = text.size();
  return piece;
}

// Copies the whole fixed width (a constant-size copy the compiler inlines); the row's room has
// that much to spare.
template <class TPieceOf>
char* Put(char* p, const TPieceOf& piece) {
  std::memcpy(p, piece.Data.data(), piece.Data.size());
  return p + piece.Size;
}

char* Copy(char* p, std::string_view bytes) {
  if (bytes.empty()) return p;  // an empty field's view may hold no pointer at all
  std::memcpy(p, bytes.data(), bytes.size());
  return p + bytes.size();
}

// The bytes the scan of a line looks out for besides ";" and the line end: those a format may
// write otherwise than as they are (a superset: control characters, non-ASCII, and the
// format's own specials). A line without any is copied field by field.
constexpr bool NeedsCare(bool csv, unsigned char b) {
  if (b < 0x20 || b >= 0x80 || b == '"') return true;
  return csv ? b == ',' : b == '\\' || b == 0x7F;
}

// The value of a decimal in the form the record line writer gives a date, digits "." digits,
// with at most 15 digits in all; nullopt for any other text. Those digits make an integer
// below 2^53 and the fraction a power of ten up to 10^15, both exact as doubles, so their
// quotient is the correctly rounded value, the one from_chars reads too.
std::optional<double> ShortDecimal(std::string_view text) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = !text.empty() && text.front() == '-' ? 1 : 0;
  const bool negative = i == 1;
  uint64_t digits = 0;
  size_t count = 0, whole = 0, fraction = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9' || ++count > 15) return std::nullopt;
    digits = digits * 10 + unsigned(c - '0');
    ++(point ? fraction : whole);
  }
  if (whole == 0 || (point && fraction == 0)) return std::nullopt;
  const double value = double(digits) / kPowers[fraction];
  return negative ? -value : value;
}

// Digits of `value`, zero-padded to `width`; false for a value outside 0 .. 10^width - 1.
bool PutDigits(char*& p, int value, int width) {
  if (value < 0) return false;
  for (int k = width - 1; k >= 0; --k, value /= 10) p[k] = char('0' + value % 10);
  p += width;
  return value == 0;
}

}  // namespace

bool TExportLineEncoder::Writes(TOutputFormat format) {
  return format == TOutputFormat::ofCsv || format == TOutputFormat::ofJsonLines;
}

TExportLineEncoder::TExportLineEncoder(TOutputFormat format, const TWriterOptions& options)
    : FCsv(format == TOutputFormat::ofCsv), FGuardFormulas(FCsv && options.GuardFormulas) {
  // Each byte's output within a cell, taken from the writers' own encoders.
  auto inner = [](const std::string& cell) { return cell.substr(1, cell.size() - 2); };
  auto bytes = [](const std::string& text) { return Piece<TBytes>(text); };
  for (unsigned b = 0; b < 256; ++b) {
    const char byte = char(b);
    const std::u16string one = Cp1252ToUtf16(std::string_view(&byte, 1));
    std::string cell;
    bool quotes = false;
    if (FCsv) {
      AppendCsvField(cell, one);
      quotes = cell.front() == '"';
      FByte[b] = bytes(quotes ? inner(cell) : cell);
      FGuards[b] = RunsAsFormula(one);
    } else {
      AppendJsonString(cell, one);
      FByte[b] = bytes(inner(cell));
    }
    const bool asItIs = FByte[b].Size == 1 && FByte[b].Data[0] == byte;
    FClass[b] = (quotes ? kQuote : 0) | (asItIs ? 0 : kEncode);
    // Valid UTF-8 is written as it is, but for JSON's escapes of U+2028 and U+2029.
    FClassUtf8[b] = b < 0x80 ? FClass[b] : FCsv ? 0 : kEncode;
  }
  std::string cell;
  AppendJsonString(cell, u"\u2028");
  FLineSeparator = bytes(inner(cell));
  cell.clear();
  AppendJsonString(cell, u"\u2029");
  FParagraphSeparator = bytes(inner(cell));

  // Columns 2 on (index ... priority) are the line's fields in their order.
  const std::vector<TColumn>& columns = ExportColumns();
  for (size_t k = 1; k < kLineFieldCount; ++k) {
    std::string lead = ",";
    if (!FCsv) {
      AppendJsonString(lead, Utf8ToUtf16(columns[k + 2].Key));
      lead += ':';
    }
    FLead[k] = Piece<TLead>(lead);
    FLeadBytes += lead.size();
  }
  FEnd = Piece<TLead>(FCsv ? "\r\n" : "}\n");
  FLeadBytes += FEnd.Size;
}

void TExportLineEncoder::SetFolder(TEmailClient client, std::u16string_view folder) {
  const std::vector<TColumn>& columns = ExportColumns();
  FPrefix.clear();
  if (FCsv) {
    for (const std::u16string& text : {ClientName(client), std::u16string(folder)}) {
      if (FGuardFormulas && RunsAsFormula(text))
        AppendCsvField(FPrefix, u"'" + text);
      else
        AppendCsvField(FPrefix, text);
      FPrefix += ',';
    }
    return;
  }
  auto key = [&](size_t column) {
    AppendJsonString(FPrefix, Utf8ToUtf16(columns[column].Key));
    FPrefix += ':';
  };
  FPrefix += '{';
  key(0);
  AppendJsonString(FPrefix, ClientName(client));
  FPrefix += ',';
  key(1);
  AppendJsonString(FPrefix, folder);
  FPrefix += ',';
  key(2);
}

void TExportLineEncoder::TakeLine(std::string_view& rest, bool utf8, TLine& line) const {
  const char* const text = rest.data();
  const size_t n = rest.size();
  // One pass: the line end (the first CR or LF), the places of the first ";"s, and the places
  // of the first bytes that need care, to tell the fields that hold one.
  std::array<size_t, kLineFieldCount> separators;
  std::array<size_t, 16> cares;
  size_t count = 0, careCount = 0;
  bool care = false, manyCares = false;
  size_t end = 0;
  bool ended = false;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), semicolon = _mm_set1_epi8(';');
  const __m128i low = _mm_set1_epi8(0x20), quote = _mm_set1_epi8('"');
  const __m128i own1 = _mm_set1_epi8(FCsv ? ',' : '\\'), own2 = _mm_set1_epi8(FCsv ? ',' : 0x7F);
  for (; end + 16 <= n; end += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + end));
    unsigned breaks =
        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf))));
    unsigned semicolons = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, semicolon)));
    // Signed, bytes of 0x80 and above are below 0x20 too.
    const __m128i special =
        _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(x, low), _mm_cmpeq_epi8(x, quote)),
                     _mm_or_si128(_mm_cmpeq_epi8(x, own1), _mm_cmpeq_epi8(x, own2)));
    unsigned careBits = unsigned(_mm_movemask_epi8(special));
    if (breaks) {
      const unsigned before = (breaks & (0u - breaks)) - 1;
      semicolons &= before;
      careBits &= before;
    }
    care = care || careBits != 0;
    for (; semicolons && count < kLineFieldCount; semicolons &= semicolons - 1)
      separators[count++] = end + size_t(__builtin_ctz(semicolons));
    for (; careBits && careCount < cares.size(); careBits &= careBits - 1)
      cares[careCount++] = end + size_t(__builtin_ctz(careBits));
    manyCares = manyCares || careBits != 0;
    if (breaks) {
      end += size_t(__builtin_ctz(breaks));
      ended = true;
      break;
    }
  }
#endif
  for (; !ended && end < n; ++end) {
    const unsigned char b = static_cast<unsigned char>(text[end]);
    if (b == '\r' || b == '\n') break;
    if (b == ';' && count < kLineFieldCount) separators[count++] = end;
    if (NeedsCare(FCsv, b)) {
      care = true;
      if (careCount < cares.size())
        cares[careCount++] = end;
      else
        manyCares = true;
    }
  }

  // The fields as SplitMessageLine cuts them: each but the last ends at the next ";" (once
  // none is left they are empty), the last at the next ";" or the line's end.
  line.Text = rest.substr(0, end);
  line.Plain = !care;
  // A byte that needs care lies in the field of as many separators as lie before it, or after
  // the last separator found, in the last field; with too many to place, every field is looked
  // at.
  line.Need.fill(manyCares ? kLook : 0);
  const std::array<unsigned char, 256>& classes = utf8 ? FClassUtf8 : FClass;
  for (size_t c = 0; c < careCount && !manyCares; ++c) {
    size_t field = 0;
    while (field < count && separators[field] < cares[c]) ++field;
    line.Need[field < count ? field : lfPriority] |=
        classes[static_cast<unsigned char>(text[cares[c]])];
  }
  line.Fields.fill({});
  if (count > 0) {
    size_t start = 0;
    for (size_t f = 0; f + 1 < kLineFieldCount && f < count; ++f) {
      line.Fields[f] = line.Text.substr(start, separators[f] - start);
      start = separators[f] + 1;
    }
    const size_t stop = count == kLineFieldCount ? separators[kLineFieldCount - 1] : end;
    line.Fields[lfPriority] = line.Text.substr(start, stop - start);
  }
  size_t next = end + 1;
  if (end < n && text[end] == '\r' && next < n && text[next] == '\n') ++next;
  rest.remove_prefix(next < n ? next : n);
}

size_t TExportLineEncoder::MaxRowBytes(const TLine& line) const {
  // A text byte takes at most six bytes (a JSON \u00XX escape); a field's quotes and guard, a
  // number, or a date (IsoDateTime's text at its longest) at most 80; and at the end the room
  // the widest fixed-width copy writes past its piece.
  return FPrefix.size() + FLeadBytes + 6 * line.Text.size() + 80 * kLineFieldCount +
         sizeof(TLead::Data);
}

char* TExportLineEncoder::Encode(const TLine& line, bool utf8, char* out) {
  // An invalid UTF-8 sequence decodes to U+FFFD on the record path; that path writes it.
  if (utf8 && !line.Plain && !IsValidUtf8(line.Text)) return nullptr;
  char* p = Copy(out, FPrefix);
  for (size_t k = 0; k < kLineFieldCount; ++k) {
    p = Put(p, FLead[k]);
    const std::string_view field = line.Fields[k];
    switch (k) {
      case lfIndex:
      case lfFlags:
      case lfSize:
      case lfPriority: p = Number(p, field, utf8); break;
      case lfReceivedDate: p = Date(p, field, utf8); break;
      default: p = Text(p, field, line.Need[k], utf8); break;
    }
  }
  return Put(p, FEnd);
}

char* TExportLineEncoder::Text(char* p, std::string_view field, unsigned char need,
                               bool utf8) const {
  // A field is copied whole unless its bytes ask for quotes or encoding.
  if (need & kLook) {
    const std::array<unsigned char, 256>& classes = utf8 ? FClassUtf8 : FClass;
    need = 0;
    for (char c : field) need |= classes[static_cast<unsigned char>(c)];
  }
  auto put = [&p](const TBytes& b) { p = Put(p, b); };
  if (FCsv) {
    if (field.empty()) return p;
    const bool quote = (need & kQuote) != 0;
    if (quote) *p++ = '"';
    if (FGuardFormulas && Guarded(field, utf8)) *p++ = '\'';
    if (!(need & kEncode)) {
      p = Copy(p, field);
    } else {
      for (char c : field) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (utf8 && b >= 0x80)
          *p++ = c;  // valid UTF-8 comes out as it is
        else
          put(FByte[b]);
      }
    }
    if (quote) *p++ = '"';
    return p;
  }
  *p++ = '"';
  if (!(need & kEncode)) {
    p = Copy(p, field);
  } else {
    const size_t n = field.size();
    for (size_t i = 0; i < n; ++i) {
      const unsigned char b = static_cast<unsigned char>(field[i]);
      if (!utf8 || b < 0x80) {
        put(FByte[b]);
      } else if (b == 0xE2 && i + 2 < n && static_cast<unsigned char>(field[i + 1]) == 0x80 &&
                 (static_cast<unsigned char>(field[i + 2]) & 0xFE) == 0xA8) {
        put(static_cast<unsigned char>(field[i + 2]) == 0xA8 ? FLineSeparator
                                                             : FParagraphSeparator);
        i += 2;
      } else {
        *p++ = field[i];
      }
    }
  }
  *p++ = '"';
  return p;
}

bool TExportLineEncoder::Guarded(std::string_view field, bool utf8) const {
  const unsigned char first = static_cast<unsigned char>(field.front());
  if (!utf8 || first < 0x80) return FGuards[first];
  return RunsAsFormula(Utf8ToUtf16(field.substr(0, 4)));  // the first character whole
}

std::u16string_view TExportLineEncoder::Wide(std::string_view field, bool utf8) {
  if (utf8 && HasHighBytes(field)) {
    FWide = Utf8ToUtf16(field);
  } else {  // ASCII reads the same in both
    FWide.resize(field.size());
    Cp1252ToUtf16(field, FWide.data());
  }
  return FWide;
}

char* TExportLineEncoder::Number(char* p, std::string_view field, bool utf8) {
  // Up to nine decimal digits is the number they spell; any other text goes by the integer
  // rule, as the record path reads it.
  uint32_t value = 0;
  bool digits = !field.empty() && field.size() <= 9;
  for (size_t i = 0; digits && i < field.size(); ++i) {
    const unsigned d = unsigned(static_cast<unsigned char>(field[i])) - '0';
    digits = d < 10;
    value = value * 10 + d;
  }
  if (!digits) {
    const auto parsed = ParseInt32(Wide(field, utf8));
    value = parsed ? uint32_t(*parsed) : 0;
  }
  return std::to_chars(p, p + 10, value).ptr;
}

char* TExportLineEncoder::Date(char* p, std::string_view field, bool utf8) {
  // The writer's form is read at once (see ShortDecimal). Other text of digits, ".", signs and
  // exponent is what ParseDouble reads it as; anything else (a leading "+", other characters,
  // a long text) goes through ParseDouble itself.
  double value = 0;
  if (const auto decimal = ShortDecimal(field)) {
    value = *decimal;
  } else if (!field.empty()) {
    bool simple = field.size() <= 128 && field.front() != '+';
    for (size_t i = 0; simple && i < field.size(); ++i) {
      const char c = field[i];
      simple = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    }
    if (simple) {
      const char* const last = field.data() + field.size();
      auto [end, ec] = std::from_chars(field.data(), last, value, std::chars_format::general);
      if (ec != std::errc() || end != last || !std::isfinite(value)) value = 0;
    } else {
      const auto parsed = ParseDouble(Wide(field, utf8));
      value = parsed ? *parsed : 0;
    }
  }
  if (!FCsv) *p++ = '"';
  if (value != 0) {
    if (const auto c = DecodeDateTime(value)) {
      char* const start = p;
      bool fits = PutDigits(p, c->Year, 4);
      *p++ = '-';
      fits = PutDigits(p, c->Month, 2) && fits;
      *p++ = '-';
      fits = PutDigits(p, c->Day, 2) && fits;
      *p++ = 'T';
      fits = PutDigits(p, c->Hour, 2) && fits;
      *p++ = ':';
      fits = PutDigits(p, c->Minute, 2) && fits;
      *p++ = ':';
      fits = PutDigits(p, c->Second, 2) && fits;
      if (!fits) {  // not a calendar's fields: the text the record path makes
        p = start;
        for (char16_t u : IsoDateTime(value)) *p++ = char(u);
      }
    }
  }
  if (!FCsv) *p++ = '"';
  return p;
}

}  // namespace kv
