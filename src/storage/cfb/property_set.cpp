#include "storage/cfb/property_set.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "base/codepage.h"
#include "base/error.h"
#include "base/text.h"
#include "storage/cfb/byte_order.h"

namespace kv::cfb {

const TGuid kFmtIdSummaryInformation = ParseGuid("{F29F85E0-4FF9-1068-AB91-08002B27B3D9}");
const TGuid kFmtIdDocSummaryInformation = ParseGuid("{D5CDD502-2E9C-101B-9397-08002B2CF9AE}");

namespace {

[[noreturn]] void SetCorrupt(std::u16string_view what, std::u16string_view problem) {
  cfb::Corrupt(what, u"property set " + std::u16string(problem));
}

size_t Pad4(size_t n) { return (n + 3) & ~size_t(3); }

std::u16string CutAtNul(std::u16string text) {
  size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::string EncodeCodePage(uint16_t codePage, std::u16string_view text) {
  if (codePage == kCodePageUtf16) return Utf16ToUtf16Le(text);
  if (codePage == 65001) return Utf16ToUtf8(text);
  return Utf16ToCp1252(text);
}

// A value's size, type word included and trailing padding left out, from its type; 0 when the
// type is not known. Some writers (Wine's ole32 among them) leave the padding of a set's last
// value out of the stream, so the padding is never required to be there.
size_t KnownSize(uint16_t type, const char* p, size_t avail) {
  switch (type) {
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 6;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: return 8;
    case VT_I8:
    case VT_UI8:
    case VT_FILETIME: return 12;
    case VT_LPSTR:  // a length word that does not fit counts as running past the end
      return avail >= 8 ? 8 + size_t(GetU32(p + 4)) : 8;
    case VT_LPWSTR: return avail >= 8 ? 8 + 2 * size_t(GetU32(p + 4)) : 8;
    default: return 0;
  }
}

TPropValue ParseValue(const char* p, size_t avail, uint16_t codePage, std::u16string_view what) {
  TPropValue v;
  v.Type = GetU16(p);
  size_t need = KnownSize(v.Type, p, avail);
  if (need > avail) SetCorrupt(what, u"value runs past the end of its section");
  switch (v.Type) {
    case VT_I2: v.Int = int16_t(GetU16(p + 4)); break;
    case VT_UI2: v.Int = GetU16(p + 4); break;
    case VT_BOOL: v.Int = GetU16(p + 4) != 0 ? 1 : 0; break;
    case VT_I4:
    case VT_INT: v.Int = int32_t(GetU32(p + 4)); break;
    case VT_UI4:
    case VT_UINT: v.Int = GetU32(p + 4); break;
    case VT_I8:
    case VT_UI8: v.Int = int64_t(GetU64(p + 4)); break;
    case VT_FILETIME: v.FileTime = GetU64(p + 4); break;
    case VT_LPSTR: {
      std::string_view bytes(p + 8, GetU32(p + 4));
      v.Text = CutAtNul(codePage == kCodePageUtf16 ? Utf16LeToUtf16(bytes)
                                                   : DecodeCodePage(codePage, bytes));
      break;
    }
    case VT_LPWSTR:
      v.Text = CutAtNul(Utf16LeToUtf16(std::string_view(p + 8, 2 * size_t(GetU32(p + 4)))));
      break;
    default: break;
  }
  return v;
}

void ParseDictionary(const char* p, size_t avail, uint16_t codePage, TPropertySection& section,
                     std::u16string_view what) {
  if (avail < 4) SetCorrupt(what, u"dictionary runs past the end of its section");
  uint32_t count = GetU32(p);
  if (count > avail / 8) SetCorrupt(what, u"dictionary runs past the end of its section");
  size_t at = 4;
  for (uint32_t i = 0; i < count; ++i) {
    if (at + 8 > avail) SetCorrupt(what, u"dictionary runs past the end of its section");
    uint32_t id = GetU32(p + at);
    size_t length = GetU32(p + at + 4);
    at += 8;
    size_t bytes = codePage == kCodePageUtf16 ? 2 * length : length;
    if (length > avail || bytes > avail - at)
      SetCorrupt(what, u"dictionary runs past the end of its section");
    std::string_view raw(p + at, bytes);
    section.Names[id] =
        CutAtNul(codePage == kCodePageUtf16 ? Utf16LeToUtf16(raw) : DecodeCodePage(codePage, raw));
    at += bytes;
    if (codePage == kCodePageUtf16) at = std::min(avail, Pad4(at));
  }
}

TPropertySection ParseSection(std::string_view bytes, size_t offset, std::u16string_view what) {
  if (offset > bytes.size() || bytes.size() - offset < 8)
    SetCorrupt(what, u"section lies past the end");
  const char* s = bytes.data() + offset;
  size_t size = GetU32(s);
  uint32_t count = GetU32(s + 4);
  // A stated length that overruns the stream by no more than the last value's padding is the
  // writer leaving that padding out; the values are then read from what the stream holds.
  size_t held = bytes.size() - offset;
  if (size > held && size - held < 4) size = held;
  if (size < 8 || size > held) SetCorrupt(what, u"section length runs past the end");
  if (count > (size - 8) / 8) SetCorrupt(what, u"property count runs past the end of its section");
  TPropertySection section;
  section.HasCodePage = false;
  std::vector<std::pair<uint32_t, uint32_t>> entries;  // number, offset
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t id = GetU32(s + 8 + 8 * i);
    uint32_t at = GetU32(s + 12 + 8 * i);
    if (at > size - 4) SetCorrupt(what, u"value lies past the end of its section");
    entries.emplace_back(id, at);
    if (id == kPidCodePage && (GetU16(s + at) == VT_I2 || GetU16(s + at) == VT_UI2)) {
      if (at + 6 > size) SetCorrupt(what, u"value runs past the end of its section");
      section.CodePage = GetU16(s + at + 4);
      section.HasCodePage = true;
    }
  }
  if (!section.HasCodePage) section.CodePage = 1252;  // what readers assume without one
  uint16_t codePage = section.CodePage;
  std::vector<uint32_t> offsets;
  for (const auto& e : entries) offsets.push_back(e.second);
  std::sort(offsets.begin(), offsets.end());
  for (const auto& [id, at] : entries) {
    if (id == kPidCodePage) continue;
    size_t avail = size - at;
    if (id == kPidDictionary) {
      try {
        ParseDictionary(s + at, avail, codePage, section, what);
        continue;
      } catch (const EStorageError&) {
        // Not a dictionary after all (some writers store a plain value as property 0): read
        // it as a value, and keep its bytes.
        section.Names.clear();
      }
    }
    TPropValue v = ParseValue(s + at, avail, codePage, what);
    size_t stored = KnownSize(v.Type, s + at, avail);
    if (stored == 0) {  // unknown kind: up to the next value or the section's end
      auto next = std::upper_bound(offsets.begin(), offsets.end(), at);
      stored = std::max<size_t>((next == offsets.end() ? size : *next) - at,
                                4);  // the type word at least
    }
    v.Stored.assign(s + at, std::min(stored, avail));
    section.Values[id] = std::move(v);
  }
  return section;
}

void AppendValue(std::string& out, const TPropValue& v, uint16_t codePage) {
  if (!v.Stored.empty()) {
    out += v.Stored;
    out.resize(Pad4(out.size()), '\0');
    return;
  }
  AppendU16(out, v.Type);
  AppendU16(out, 0);
  switch (v.Type) {
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      AppendU16(out, v.Type == VT_BOOL ? (v.Int ? 0xFFFF : 0) : uint16_t(v.Int));
      AppendU16(out, 0);
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: AppendU32(out, uint32_t(v.Int)); break;
    case VT_I8:
    case VT_UI8: AppendU64(out, uint64_t(v.Int)); break;
    case VT_FILETIME: AppendU64(out, v.FileTime); break;
    case VT_LPWSTR:
      AppendU32(out, uint32_t(v.Text.size() + 1));
      out += Utf16ToUtf16Le(v.Text);
      AppendU16(out, 0);
      break;
    case VT_LPSTR: {
      std::string bytes = EncodeCodePage(codePage, v.Text);
      bytes.append(codePage == kCodePageUtf16 ? 2 : 1, '\0');
      AppendU32(out, uint32_t(bytes.size()));
      out += bytes;
      break;
    }
    default: break;
  }
  out.resize(Pad4(out.size()), '\0');
}

std::string SerializeSection(const TPropertySection& section) {
  std::vector<std::pair<uint32_t, std::string>> values;
  if (!section.Names.empty()) {
    std::string d;
    AppendU32(d, uint32_t(section.Names.size()));
    for (const auto& [id, name] : section.Names) {
      AppendU32(d, id);
      if (section.CodePage == kCodePageUtf16) {
        AppendU32(d, uint32_t(name.size() + 1));
        d += Utf16ToUtf16Le(name);
        AppendU16(d, 0);
        d.resize(Pad4(d.size()), '\0');
      } else {
        std::string bytes = EncodeCodePage(section.CodePage, name);
        AppendU32(d, uint32_t(bytes.size() + 1));
        d += bytes;
        d.push_back('\0');
      }
    }
    d.resize(Pad4(d.size()), '\0');
    values.emplace_back(kPidDictionary, std::move(d));
  }
  if (section.HasCodePage) {
    std::string c;
    AppendU16(c, VT_I2);
    AppendU16(c, 0);
    AppendU16(c, section.CodePage);
    AppendU16(c, 0);
    values.emplace_back(kPidCodePage, std::move(c));
  }
  for (const auto& [id, v] : section.Values) {
    if (id == kPidDictionary && !section.Names.empty()) continue;
    std::string b;
    AppendValue(b, v, section.CodePage);
    values.emplace_back(id, std::move(b));
  }
  std::string out;
  size_t at = 8 + 8 * values.size();
  AppendU32(out, 0);  // size, set below
  AppendU32(out, uint32_t(values.size()));
  for (const auto& [id, b] : values) {
    AppendU32(out, id);
    AppendU32(out, uint32_t(at));
    at += b.size();
  }
  for (const auto& value : values) out += value.second;
  PutU32(out.data(), uint32_t(out.size()));
  return out;
}

}  // namespace

bool TPropValue::IsInteger() const {
  switch (Type) {
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8: return true;
    default: return false;
  }
}

TPropValue TPropValue::FromText(std::u16string text) {
  TPropValue v;
  v.Type = VT_LPWSTR;
  v.Text = CutAtNul(std::move(text));
  return v;
}

TPropValue TPropValue::FromInt64(int64_t value) {
  TPropValue v;
  v.Type = VT_I8;
  v.Int = value;
  return v;
}

TPropValue TPropValue::FromFileTime(uint64_t value) {
  TPropValue v;
  v.Type = VT_FILETIME;
  v.FileTime = value;
  return v;
}

std::optional<uint32_t> TPropertySection::FindName(std::u16string_view name) const {
  for (const auto& [id, n] : Names) {
    if (SameTextAscii(n, name)) return id;
  }
  return std::nullopt;
}

uint32_t TPropertySection::NewNumber(uint32_t first) const {
  // The summary sets number their standard properties up to 0x13 and 0x1F; a name must not
  // take one of those, or a later write of the standard property would overwrite it.
  uint32_t reserved = FormatId == kFmtIdSummaryInformation      ? 0x13
                      : FormatId == kFmtIdDocSummaryInformation ? 0x1F
                                                                : 1;
  uint32_t n = std::max<uint32_t>(first, reserved + 1);
  while (Values.count(n) || Names.count(n)) ++n;
  return n;
}

TPropertySet ParsePropertySet(std::string_view bytes, std::u16string_view what) {
  if (bytes.size() < 28 || GetU16(bytes.data()) != 0xFFFE) SetCorrupt(what, u"header is damaged");
  TPropertySet set;
  set.Version = GetU16(bytes.data() + 2);
  set.SystemId = GetU32(bytes.data() + 4);
  std::memcpy(set.ClassId.data(), bytes.data() + 8, 16);
  uint32_t count = GetU32(bytes.data() + 24);
  if (count < 1 || count > (bytes.size() - 28) / 20)
    SetCorrupt(what, u"section count runs past the end");
  for (uint32_t i = 0; i < count; ++i) {
    const char* p = bytes.data() + 28 + 20 * i;
    TPropertySection section = ParseSection(bytes, GetU32(p + 16), what);
    std::memcpy(section.FormatId.data(), p, 16);
    set.Sections.push_back(std::move(section));
  }
  return set;
}

std::string SerializePropertySet(const TPropertySet& set) {
  std::string out;
  AppendU16(out, 0xFFFE);
  AppendU16(out, set.Version);
  AppendU32(out, set.SystemId);
  out.append(reinterpret_cast<const char*>(set.ClassId.data()), 16);
  AppendU32(out, uint32_t(set.Sections.size()));
  std::vector<std::string> sections;
  for (const auto& s : set.Sections) sections.push_back(SerializeSection(s));
  size_t at = 28 + 20 * set.Sections.size();
  for (size_t i = 0; i < sections.size(); ++i) {
    out.append(reinterpret_cast<const char*>(set.Sections[i].FormatId.data()), 16);
    AppendU32(out, uint32_t(at));
    at += sections[i].size();
  }
  for (const auto& s : sections) out += s;
  return out;
}

std::u16string DecodeCodePage(uint16_t codePage, std::string_view bytes) {
  switch (codePage) {
    case 1252: return Cp1252ToUtf16(bytes);
    case 65001: return Utf8ToUtf16(bytes);
    case kCodePageUtf16: return Utf16LeToUtf16(bytes);
    case 10000: return DecodeCharset("macintosh", bytes).value_or(Cp1252ToUtf16(bytes));
    default: {
      std::string name = "cp" + std::to_string(codePage);
      return DecodeCharset(name, bytes).value_or(Cp1252ToUtf16(bytes));
    }
  }
}

std::u16string PropertySetStreamName(const TGuid& id) {
  if (id == kFmtIdSummaryInformation) return u"\x05SummaryInformation";
  if (id == kFmtIdDocSummaryInformation)
    return u"\x05"
           u"DocumentSummaryInformation";
  static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz012345";
  std::u16string name = u"\x05";
  for (int bit = 0; bit < 128; bit += 5) {
    uint32_t value = 0;
    for (int k = 0; k < 5 && bit + k < 128; ++k) {
      int b = bit + k;
      value |= uint32_t((id[b / 8] >> (b % 8)) & 1) << k;
    }
    name.push_back(char16_t(alphabet[value]));
  }
  return name;
}

TGuid ParseGuid(std::string_view text) {
  // Data1, Data2 and Data3 are stored least significant byte first, the rest as written.
  std::string hex;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
  }
  TGuid g{};
  if (hex.size() != 32) return g;
  uint8_t raw[16];
  for (int i = 0; i < 16; ++i) raw[i] = uint8_t(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g[i] = raw[order[i]];
  return g;
}

std::u16string GuidToText(const TGuid& g) {
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  static const char digits[] = "0123456789ABCDEF";
  std::u16string out = u"{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back(u'-');
    out.push_back(char16_t(digits[g[order[i]] >> 4]));
    out.push_back(char16_t(digits[g[order[i]] & 15]));
  }
  out.push_back(u'}');
  return out;
}

}  // namespace kv::cfb
