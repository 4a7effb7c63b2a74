// The header-block cut of .eml files over arbitrary bytes. Besides not crashing, it must hold
// that: an answer given for the start of a message is the answer for the whole message; the
// block read from a stream is exactly that start of the message; and the header parser finds
// the same fields in the block as in the whole message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "base/stream.h"
#include "collectors/eml_folder.h"
#include "formats/header.h"

namespace {

bool SameFields(const kv::TEMLHeader& a, const kv::TEMLHeader& b) {
  return a.Date == b.Date && a.Timestamp == b.Timestamp && a.From == b.From &&
         a.Sender == b.Sender && a.ReplyTo == b.ReplyTo && a.ReturnPath == b.ReturnPath &&
         a.SendTo == b.SendTo && a.CC == b.CC && a.Subject == b.Subject &&
         a.Priority == b.Priority && a.ContentTransferEncoding == b.ContentTransferEncoding &&
         a.MessageId == b.MessageId && a.ContentType == b.ContentType &&
         a.RevisionID == b.RevisionID && a.DocumentID == b.DocumentID &&
         a.Attachments == b.Attachments && a.Read == b.Read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<size_t> end = kv::FindHeaderBlockEnd(bytes, true);
  if (!end || *end > size) abort();

  // Prefixes: short ones, and ones around the end of the block.
  for (size_t n = 0; n <= size; n += (n < 64 ? 1 : 61)) {
    const std::optional<size_t> early = kv::FindHeaderBlockEnd(bytes.substr(0, n), false);
    if (early && *early != *end) abort();
  }
  for (size_t n = *end; n <= size && n < *end + 8; ++n) {
    const std::optional<size_t> early = kv::FindHeaderBlockEnd(bytes.substr(0, n), false);
    if (early && *early != *end) abort();
  }

  kv::TMemoryReadStream stream{std::string(bytes)};
  std::string block;
  kv::ReadHeaderBlock(stream, block);
  if (block != bytes.substr(0, *end)) abort();

  kv::TEMLHeader cut, whole;
  kv::ReadEMLHeader(std::string_view(block), cut);
  kv::ReadEMLHeader(bytes, whole);
  if (!SameFields(cut, whole)) abort();
  kv::EMLMessageInfo(cut, uint32_t(size), u"Inbox", kv::TEmailClient::ecWindowsMail);
  return 0;
}
