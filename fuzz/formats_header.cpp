// The header parser over arbitrary bytes: as raw bytes (also below a Content-Type that declares
// a charset for raw 8-bit text), as UTF-16 text and as lines; then the operations collectors
// apply to its values, and the decoders on their own, the charsets with decoders of our own and
// some through iconv among them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "formats/address.h"
#include "formats/header.h"
#include "formats/mime_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kv::TEMLHeader header;
  kv::ReadEMLHeader(bytes, header);
  kv::ReadEMLHeader("Content-Type: text/plain; charset=big5\n" + std::string(bytes), header);
  std::u16string name, email;
  kv::SplitAddress(header.From, name, email);
  kv::SplitAddress(header.SendTo, name, email);

  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
  kv::ReadEMLHeader(std::u16string_view(text), header);
  kv::TStringList lines = kv::Split(text, u'\n');
  kv::ReadEMLHeader(lines, header);
  kv::DecodeHeaderText(text);
  kv::UnquoteName(text);

  kv::DecodeHeaderBytes(bytes);
  kv::DecodeBase64Bytes(bytes);
  kv::DecodeQEncodingBytes(bytes);
  kv::DecodeQuotedPrintableBytes(bytes);
  kv::DecodeQuotedPrintableText(text);
  kv::DecodeUULine(bytes);
  for (const char* charset : {"iso-2022-jp", "shift_jis", "big5", "utf-16", "utf-7", "iso-2022-kr"})
    kv::DecodeCharset(charset, bytes);
  return 0;
}
