// A read stream over bytes that adds up how many bytes were read from it: the reader tests bound
// the work a damaged file makes by what it reads, not by the time it takes.
#pragma once

#include <cstdint>
#include <string>

#include "base/stream.h"

namespace kv::test {

class TCountingStream final : public IReadStream {
 public:
  TCountingStream(const std::string& bytes, uint64_t& read) : FBytes(bytes), FRead(read) {}
  uint64_t Size() const override { return FBytes.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    const size_t n =
        offset < FBytes.size() ? FBytes.copy(static_cast<char*>(buffer), count, offset) : 0;
    FRead += n;
    return n;
  }

 private:
  const std::string& FBytes;
  uint64_t& FRead;
};

}  // namespace kv::test
