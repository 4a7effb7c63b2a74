// The mbox splitter's rules read literally, for the tests and the fuzz target to hold the
// splitter against: the text cut into whole lines kept in a list, each message's lines kept
// whole, no blocks, no wide steps. Only for texts well below the header limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv::test {

// One message as the splitter hands it over.
struct TMboxCut {
  std::string Header;
  uint64_t Size;
  uint64_t Offset;
  bool operator==(const TMboxCut&) const = default;
};

inline std::vector<TMboxCut> ReferenceMboxCut(std::string_view text) {
  std::vector<std::string> lines;
  std::vector<uint64_t> starts;
  for (size_t at = 0; at < text.size();) {
    size_t lf = text.find('\n', at);
    const size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    if (lf == std::string_view::npos)
      lf = text.size();
    else if (lf > at && text[lf - 1] == '\r')
      --lf;
    lines.emplace_back(text.substr(at, lf - at));
    starts.push_back(at);
    at = next;
  }
  std::vector<TMboxCut> out;
  auto emit = [&](size_t first, size_t last) {  // lines [first, last)
    TMboxCut c{"", 0, starts[first]};
    bool header = true;
    for (size_t i = first; i < last; ++i) {
      c.Size += lines[i].size();
      if (header && lines[i].empty()) header = false;
      if (header) c.Header += lines[i] + "\n";
    }
    out.push_back(c);
  };
  const auto mozilla = [](const std::string& s) {
    return s.rfind("X-Mozilla-", 0) == 0 || s.rfind("X-Account-Key: ", 0) == 0 ||
           s.rfind("X-UIDL: ", 0) == 0;
  };
  const auto field = [](const std::string& s) {
    const size_t colon = s.find(':');
    if (colon == 0 || colon == std::string::npos) return false;
    for (size_t i = 0; i < colon; ++i)
      if (s[i] < '!' || s[i] > '~') return false;
    return true;
  };
  long first = -1;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i - 1].rfind("From ", 0) != 0) continue;
    const bool setOff = i == 1 || lines[i - 2].empty();
    if (mozilla(lines[i]) || (setOff && field(lines[i]))) {
      if (first >= 0) emit(size_t(first), i - 1);
      first = long(i - 1);
    }
  }
  if (first >= 0) emit(size_t(first), lines.size());
  return out;
}

}  // namespace kv::test
