// Encoded words of header values ("=?charset?B|Q|U?text?="), as RFC 2047 writes them and as
// older mail programs wrote them (uuencoded words, charsets iconv does not know, characters
// split across two words).
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Decodes the encoded words ("=?charset?B|Q|U?text?=") of one header value. Each word is
// decoded with the charset it names (an RFC 2231 language suffix is ignored); blanks between
// two adjacent encoded words are dropped. A malformed word stays as it stands.
std::u16string DecodeHeaderText(std::u16string_view text);
// The same into `out` (replaced; `text` must not lie in it), which keeps its storage from
// value to value.
void DecodeHeaderText(std::u16string_view text, std::u16string& out);

}  // namespace kv
