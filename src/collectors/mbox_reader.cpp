#include "collectors/mbox_reader.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "collectors/mbox_splitter.h"
#include "collectors/thunderbird.h"

namespace kv {

namespace {

// Below this a part costs more to start than it saves.
uint64_t gPartMinBytes = uint64_t(16) << 20;
size_t gMaxParts = 0;

size_t PartCount(uint64_t size) {
  const size_t processors = std::max(1u, std::thread::hardware_concurrency());
  const size_t wanted = gMaxParts ? gMaxParts : std::min<size_t>(processors, 8);
  return size_t(std::clamp<uint64_t>(size / gPartMinBytes, 1, wanted));
}

struct TPart {
  uint64_t Begin = 0, End = UINT64_MAX;
  TRecordStore Records;
  std::exception_ptr Failure;
};

void ReadPart(IReadStream& stream, std::u16string_view folderName, TEmailClient client,
              TPart& part) {
  try {
    TEMLHeader header;
    TMessageInfo record;  // refilled message by message: its strings keep their storage
    SplitMboxPart(stream, part.Begin, part.End, [&](const TMboxMessage& message) {
      MboxMessageRecord(message, folderName, client, header, record);
      part.Records.push_back(record);
    });
  } catch (...) {
    part.Failure = std::current_exception();
  }
}

}  // namespace

void SetMboxPartSize(uint64_t minBytes, size_t parts) {
  gPartMinBytes = std::max<uint64_t>(minBytes, 1);
  gMaxParts = parts;
}

void ReadMboxRecords(const TOpenMbox& open, std::u16string_view folderName, TEmailClient client,
                     TRecordStore& out) {
  std::unique_ptr<IReadStream> first = open();
  const uint64_t size = first->Size();
  const size_t count = PartCount(size);
  std::vector<TPart> parts(1);
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
      for (size_t k = 1; k < parts.size(); ++k) streams.push_back(open());
    } catch (...) {  // a part that cannot be prepared: the file is read in one piece
      parts.resize(1);
      parts.front().End = UINT64_MAX;
      streams.clear();
    }
  }
  std::vector<std::thread> threads;
  size_t started = 1;  // parts from here on run on this thread when no thread can be had
  try {
    for (; started < parts.size(); ++started)
      threads.emplace_back(ReadPart, std::ref(*streams[started - 1]), folderName, client,
                           std::ref(parts[started]));
  } catch (const std::system_error&) {
  }
  ReadPart(*first, folderName, client, parts[0]);
  for (size_t k = started; k < parts.size(); ++k)
    ReadPart(*streams[k - 1], folderName, client, parts[k]);
  for (std::thread& t : threads) t.join();
  for (TPart& part : parts) {
    out.Append(std::move(part.Records));
    if (part.Failure) std::rethrow_exception(part.Failure);  // later parts come after it
  }
}

}  // namespace kv
