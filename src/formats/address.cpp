#include "formats/address.h"

#include "base/text.h"

namespace kv {

namespace {

constexpr size_t npos = std::u16string_view::npos;

}  // namespace

std::u16string UnquoteName(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  bool escaped = false;
  for (char16_t c : text) {
    if (!escaped && c == u'"') {
      out.push_back(u' ');
    } else if (!escaped && c == u'\\') {
      escaped = true;
    } else {
      out.push_back(c);
      escaped = false;
    }
  }
  return out;
}

namespace {

std::u16string WithoutApostrophes(std::u16string name) {
  if (name.size() >= 2 && name.front() == u'\'' && name.back() == u'\'')
    name = name.substr(1, name.size() - 2);
  return name;
}

}  // namespace

bool SplitAddress(std::u16string_view text, std::u16string& name, std::u16string& email) {
  name = std::u16string(text);
  email = std::u16string(text);
  size_t open = text.find(u'<');
  if (open != npos) {
    name = Trim(text.substr(0, open));
    const size_t close = text.find(u'>', open + 1);
    if (close == npos) return false;
    email = Trim(text.substr(open + 1, close - open - 1));
    name = WithoutApostrophes(Trim(UnquoteName(name)));
    return true;
  }
  // "ann@example.org (Ann Lee)": the address comes first, the comment is the name.
  open = text.find(u'(');
  if (open == npos) return false;
  const size_t close = text.find(u')', open + 1);
  if (close == npos) return false;
  std::u16string address = Trim(text.substr(0, open));
  if (address.empty()) address = Trim(text.substr(close + 1));
  email = std::move(address);
  name = WithoutApostrophes(Trim(UnquoteName(text.substr(open + 1, close - open - 1))));
  return true;
}

}  // namespace kv
