#include "collectors/thunderbird_ini.h"

#include <algorithm>

#include "base/codepage.h"
#include "base/text.h"

namespace kv {

namespace {

std::u16string DecodeIniText(std::string_view bytes) {
  return DecodeMarkedText(
      bytes, [](std::string_view b) { return IsValidUtf8(b) ? Utf8ToUtf16(b) : Cp1252ToUtf16(b); });
}

}  // namespace

void TIniFile::Load(IReadStream& stream) {
  const uint64_t size = std::min<uint64_t>(stream.Size(), kMaxIniBytes);
  LoadFromBytes(ReadBytes(stream, 0, size_t(size)));
}

void TIniFile::LoadFromBytes(std::string_view bytes) {
  FSections.clear();
  const std::u16string text = DecodeIniText(bytes.substr(0, std::min(bytes.size(), kMaxIniBytes)));
  TSection* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find_first_of(u"\r\n", pos);
    if (eol == std::u16string::npos) eol = text.size();
    const std::u16string_view line = TrimView(std::u16string_view(text).substr(pos, eol - pos));
    pos = eol + 1;
    if (line.empty() || line[0] == u';' || line[0] == u'#') continue;
    if (line[0] == u'[') {
      const size_t close = line.find(u']');
      const std::u16string_view name = TrimView(
          line.substr(1, close == std::u16string_view::npos ? line.size() - 1 : close - 1));
      FSections.push_back({std::u16string(name), {}});
      current = &FSections.back();
      continue;
    }
    const size_t eq = line.find(u'=');
    if (!current || eq == std::u16string_view::npos) continue;
    current->Keys.emplace_back(std::u16string(TrimView(line.substr(0, eq))),
                               std::u16string(TrimView(line.substr(eq + 1))));
  }
}

const TIniFile::TSection* TIniFile::FindSection(std::u16string_view name) const {
  for (const TSection& s : FSections)
    if (SameTextAscii(s.Name, name)) return &s;
  return nullptr;
}

bool TIniFile::HasSection(std::u16string_view section) const {
  return FindSection(section) != nullptr;
}

std::u16string TIniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view fallback) const {
  if (const TSection* s = FindSection(section)) {
    for (const auto& [name, value] : s->Keys)
      if (SameTextAscii(name, key)) return value;
  }
  return std::u16string(fallback);
}

}  // namespace kv
