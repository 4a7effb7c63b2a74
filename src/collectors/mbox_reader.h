// Reads an mbox file into records, one per message, in file order. A large file is read in
// parts at the same time, one per processor: each part begins at a message start (where a
// message starts depends only on its own lines and the one before, see mbox_splitter.h), is cut
// and parsed on a thread of its own into a store of its own, and the stores are joined in file
// order. The records are the same as one reader's from start to end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "base/stream.h"
#include "core/record_store.h"

namespace kv {

// Opens the file once more for another reader; every part reads through its own stream.
using TOpenMbox = std::function<std::unique_ptr<IReadStream>()>;

// Appends the records of the file to `out`. Throws what reading throws; the records of the
// messages before the failure are appended first, as a reader from start to end leaves them.
void ReadMboxRecords(const TOpenMbox& open, std::u16string_view folderName, TEmailClient client,
                     TRecordStore& out);

// Files this large or larger are read in parts (tests lower it to read small texts in parts),
// and at most this many parts (0: one per processor).
void SetMboxPartSize(uint64_t minBytes, size_t parts = 0);

}  // namespace kv
