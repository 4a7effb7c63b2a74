// Property sets: the typed name/value lists stored in a stream of a compound file. A set holds
// one section (two for the document summary set, whose second section is kept as it is); a
// section holds its code page (property 1), an optional dictionary of property names
// (property 0) and the values. Values of the kinds the system uses are decoded; every other
// value keeps its stored bytes, so rewriting a set of another program loses nothing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/cfb/cfb_format.h"

namespace kv::cfb {

enum TVarType : uint16_t {
  VT_EMPTY = 0,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_BOOL = 11,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_FILETIME = 64,
};

constexpr uint32_t kPidDictionary = 0;
constexpr uint32_t kPidCodePage = 1;
constexpr uint16_t kCodePageUtf16 = 1200;

struct TPropValue {
  uint16_t Type = VT_EMPTY;
  int64_t Int = 0;        // the integer kinds and VT_BOOL
  uint64_t FileTime = 0;  // VT_FILETIME
  std::u16string Text;    // VT_LPWSTR, and VT_LPSTR decoded in the section's code page
  std::string Stored;     // the stored bytes (type word on) of a value read from a file

  bool IsText() const { return Type == VT_LPSTR || Type == VT_LPWSTR; }
  bool IsInteger() const;
  static TPropValue FromText(std::u16string text);
  static TPropValue FromInt64(int64_t value);
  static TPropValue FromFileTime(uint64_t value);
};

struct TPropertySection {
  TGuid FormatId{};
  uint16_t CodePage = kCodePageUtf16;
  bool HasCodePage = true;
  std::map<uint32_t, TPropValue> Values;     // not 1; 0 only when it is no dictionary
  std::map<uint32_t, std::u16string> Names;  // the dictionary

  // The number of a named property (names compare without regard to case); nullopt if none.
  std::optional<uint32_t> FindName(std::u16string_view name) const;
  // The number for a new name: the lowest unused number from `first` upward, above the
  // numbers this set's format reserves for its standard properties.
  uint32_t NewNumber(uint32_t first) const;
};

struct TPropertySet {
  uint16_t Version = 0;
  uint32_t SystemId = 0x00020006;  // the Windows NT family, version 6
  TGuid ClassId{};
  std::vector<TPropertySection> Sections;
};

// Throws EStorageError (DocFileCorrupt) naming `what` when the bytes are not a property set or
// a length runs past the end.
TPropertySet ParsePropertySet(std::string_view bytes, std::u16string_view what);
std::string SerializePropertySet(const TPropertySet& set);

// Decodes 8-bit text of a code page (1252, 65001, 932, ...) to UTF-16.
std::u16string DecodeCodePage(uint16_t codePage, std::string_view bytes);

// The stream that holds the property set `formatId`: 0x05 followed by "SummaryInformation",
// "DocumentSummaryInformation", or the identifier in the format's base-32 form.
std::u16string PropertySetStreamName(const TGuid& formatId);
TGuid ParseGuid(std::string_view text);  // "{F29F85E0-4FF9-1068-AB91-08002B27B3D9}"
std::u16string GuidToText(const TGuid& guid);

extern const TGuid kFmtIdSummaryInformation;
extern const TGuid kFmtIdDocSummaryInformation;

}  // namespace kv::cfb
