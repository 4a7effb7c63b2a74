#include "collectors/mbox_reader.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "base/parallel_parts.h"
#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"

namespace kv {

namespace {

// Below this a part costs more to start than it saves.
uint64_t gPartMinBytes = uint64_t(16) << 20;
size_t gMaxParts = 0;

struct TPart {
  uint64_t Begin = 0, End = UINT64_MAX;
  IReadStream* Stream = nullptr;
  TRecordStore Records;
};

}  // namespace

void SetMboxPartSize(uint64_t minBytes, size_t parts) {
  gPartMinBytes = std::max<uint64_t>(minBytes, 1);
  gMaxParts = parts;
}

void ReadMboxRecords(const TOpenMbox& open, std::u16string_view folderName, TEmailClient client,
                     TRecordStore& out) {
  std::unique_ptr<IReadStream> first = open();
  const uint64_t size = first->Size();
  const size_t count = PartCount(size, gPartMinBytes, gMaxParts);
  std::vector<TPart> parts(1);
  parts.front().Stream = first.get();
  std::vector<std::unique_ptr<IReadStream>> streams;
  if (count > 1) {
    // Each part from the first message start after its share of the bytes; a part that would
    // begin where the one before does is left out.
    try {
      for (size_t k = 1; k < count; ++k) {
        const uint64_t begin = NextMessageStart(*first, size / count * k);
        if (begin >= size || begin <= parts.back().Begin) continue;
        parts.back().End = begin;
        parts.emplace_back().Begin = begin;
      }
      for (size_t k = 1; k < parts.size(); ++k)
        parts[k].Stream = streams.emplace_back(open()).get();
    } catch (...) {  // a part that cannot be prepared: the file is read in one piece
      parts.resize(1);
      parts.front().End = UINT64_MAX;
      streams.clear();
    }
  }
  const std::vector<std::exception_ptr> failures = RunParts(parts.size(), [&](size_t k) {
    TPart& part = parts[k];
    TEMLHeader header;
    TMessageInfo record;  // refilled message by message: its strings keep their storage
    SplitMboxPart(*part.Stream, part.Begin, part.End, [&](const TMboxMessage& message) {
      MboxMessageRecord(message, folderName, client, header, record);
      part.Records.push_back(record);
    });
  });
  for (size_t k = 0; k < parts.size(); ++k) {
    out.Append(std::move(parts[k].Records));
    if (failures[k]) std::rethrow_exception(failures[k]);  // later parts come after it
  }
}

}  // namespace kv
