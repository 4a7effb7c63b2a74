#include "formats/address.h"

#include "base/text.h"

namespace kv {

namespace {

constexpr size_t npos = std::u16string_view::npos;

}  // namespace

namespace {

// UnquoteName of `text` into `out`.
void Unquote(std::u16string_view text, std::u16string& out) {
  out.clear();
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
}

// A display name: unquoted, trimmed, and out of the apostrophes some senders put around it.
void SetName(std::u16string_view quoted, std::u16string& name) {
  Unquote(quoted, name);
  std::u16string_view v = TrimView(name);
  if (v.size() >= 2 && v.front() == u'\'' && v.back() == u'\'') v = v.substr(1, v.size() - 2);
  const size_t from = size_t(v.data() - name.data());
  name.resize(from + v.size());
  name.erase(0, from);
}

}  // namespace

std::u16string UnquoteName(std::u16string_view text) {
  std::u16string out;
  Unquote(text, out);
  return out;
}

// The fields are assigned from views of `text` (which must not lie in either), so a caller that
// splits address after address into the same strings makes no allocation.
bool SplitAddress(std::u16string_view text, std::u16string& name, std::u16string& email) {
  size_t open = text.find(u'<');
  if (open != npos) {
    const size_t close = text.find(u'>', open + 1);
    if (close == npos) {
      name.assign(TrimView(text.substr(0, open)));
      email.assign(text);
      return false;
    }
    email.assign(TrimView(text.substr(open + 1, close - open - 1)));
    SetName(TrimView(text.substr(0, open)), name);
    return true;
  }
  // "ann@example.org (Ann Lee)": the address comes first, the comment is the name.
  open = text.find(u'(');
  const size_t close = open == npos ? npos : text.find(u')', open + 1);
  if (close == npos) {
    name.assign(text);
    email.assign(text);
    return false;
  }
  std::u16string_view address = TrimView(text.substr(0, open));
  if (address.empty()) address = TrimView(text.substr(close + 1));
  email.assign(address);
  SetName(text.substr(open + 1, close - open - 1), name);
  return true;
}

}  // namespace kv
