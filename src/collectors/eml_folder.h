// A folder of .eml files, one internet message per file, as Windows Mail and Windows Live Mail
// keep their messages: each file's header block becomes one TMessageInfo record.
//
// Only the header block of a file is read, in blocks that grow until the empty line that ends
// it turns up, so a message with large attachments costs about as much as a small one. The
// record's Size is the file's size.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/stream.h"
#include "core/message.h"
#include "formats/header.h"

namespace kv {

class TSystemContext;

// Where the header block of a message's raw bytes ends: the offset of the first empty line that
// follows a non-empty one (a leading UTF-8 byte-order mark skipped, a UTF-16 one selecting
// 16-bit units in its byte order, and a mark the 16-bit text itself begins with skipped too), or
// the size of `bytes` when there is none. Lines end at
// CR LF, LF or CR, as the header parser reads them, so the parser finds the same fields in the
// bytes before that offset as in the whole message. When `complete` is false, `bytes` is only
// the start of the message and nullopt means that more bytes are needed to decide.
std::optional<size_t> FindHeaderBlockEnd(std::string_view bytes, bool complete);

// Reads the bytes of a message from its start up to the end of its header block into `out`
// (whose storage is reused). Throws EKolvaneError when the stream cannot be read.
void ReadHeaderBlock(IReadStream& stream, std::string& out);

// The record of one .eml file from its parsed header: sender and receiver split from From and
// To (";" in the receiver fields becomes ","), message id, priority, subject, the date text and
// its local time, `size`, the folder's display name and the client. Flags and the Outlook
// Express fields stay 0 or empty.
TMessageInfo EMLMessageInfo(const TEMLHeader& header, uint32_t size, std::u16string_view folderName,
                            TEmailClient client);

using TRecordSink = std::function<void(const TMessageInfo& record)>;

// Reads the .eml files directly inside `folder`, in listing order, and hands each record to
// `add` as soon as it is read. A file that cannot be opened or read raises: the records handed
// on before it stay with the caller and the folder's remaining files are not read.
void ReadEMLFolder(const TSystemContext& context, std::u16string_view folder, TEmailClient client,
                   const TRecordSink& add);

}  // namespace kv
