// The folder streams' codec: one zlib stream (RFC 1950; deflate, level 8, window bits 15,
// memory level 8, default strategy) and nothing else, no header or length of our own.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/error.h"
#include "storage/byte_stream.h"

namespace kv {

// zlib's failure, with its return code (Z_DATA_ERROR, Z_BUF_ERROR, ...).
class EZlibError : public EKolvaneError {
 public:
  EZlibError(int code, const std::string& message) : EKolvaneError(message), FCode(code) {}
  int Code() const { return FCode; }

 private:
  int FCode;
};

// Compresses all of Source from its start into Destination from position 0 (Destination is
// not truncated); both positions end at 0.
void ZCompressStream(TStream& source, TStream& destination);
// Decompresses Source, one zlib stream with its Adler-32 check, into Destination from position
// 0; both positions end at 0. A Source that is not a whole valid zlib stream raises EZlibError
// after the bytes decoded before the damage have been written to Destination.
void ZDecompressStream(TStream& source, TStream& destination);

// Deflates the bytes written to it, as they come, into `destination` (from its position on),
// with the codec's settings; Finish ends the zlib stream. The result is byte for byte
// ZCompressStream's of the same bytes in one piece: deflate's output does not depend on how its
// input arrives. Memory stays at zlib's own state, one output block and a few input chunks.
//
// Once more than kThreadFrom bytes have come, deflate runs on a thread of its own while the
// writer's caller makes the next bytes (deflate at the codec's level takes most of an append's
// time); `destination` is then written from that thread, and must not be used by anybody else
// until Finish returns. A failure there is raised by the next Write or by Finish.
class TZlibWriter {
 public:
  static constexpr size_t kThreadFrom = size_t(1) << 20;

  explicit TZlibWriter(TStream& destination);
  ~TZlibWriter();
  TZlibWriter(const TZlibWriter&) = delete;
  TZlibWriter& operator=(const TZlibWriter&) = delete;
  void Write(std::string_view bytes);
  // The same for bytes the writer may keep: no copy is made of them.
  void Write(std::string&& bytes);
  void Finish();

 private:
  // Whether `more` bytes are deflated here: no thread runs, and none is to start for them.
  bool OnThisThread(size_t more) const;
  void Run(std::string_view bytes, int flush);
  void Work();
  struct TState;
  std::unique_ptr<TState> FState;
  TStream& FDestination;
};

// Whether the bytes begin with a valid zlib header (method deflate, window up to 32K, check).
bool StartsWithZlibHeader(std::string_view bytes);

}  // namespace kv
