#include "storage/storage_stream.h"

#include "base/codepage.h"
#include "base/error.h"
#include "storage/cfb/byte_order.h"
#include "storage/structured_storage.h"

namespace kv {

TStorageStream::TStorageStream(TStorageRef stream, bool writable, TStructuredStorage* storage)
    : FStream(std::move(stream)), FWritable(writable), FParent(storage) {
  if (FParent) FParent->AddHolder();
}

TStorageStream::~TStorageStream() {
  if (FParent) FParent->Close();
}

void TStorageStream::AdoptParent(std::unique_ptr<TStructuredStorage> parent) {
  FOwnedParent = std::move(parent);
}

size_t TStorageStream::Read(void* buffer, size_t count) {
  if (!FStream) return 0;
  size_t n = FStream.File->ReadStream(FStream.Id, FPosition, buffer, count);
  FPosition += n;
  return n;
}

size_t TStorageStream::Write(const void* buffer, size_t count) {
  if (!FStream) return 0;
  if (!FWritable)
    throw EStorageError(TStorageStatus::AccessDenied, u"the stream is open for reading only");
  FStream.File->WriteStream(FStream.Id, FPosition, buffer, count);
  FPosition += count;
  return count;
}

uint64_t TStorageStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!FStream) return 0;
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? int64_t(FPosition)
                                                    : int64_t(Size());
  if (base + offset < 0)
    throw EStorageError(TStorageStatus::InvalidParameter, u"seek before the start of a stream");
  FPosition = uint64_t(base + offset);
  return FPosition;
}

uint64_t TStorageStream::Size() const { return FStream ? FStream.File->StreamSize(FStream.Id) : 0; }

void TStorageStream::SetSize(uint64_t size) {
  if (!FStream) return;
  if (!FWritable)
    throw EStorageError(TStorageStatus::AccessDenied, u"the stream is open for reading only");
  FStream.File->ResizeStream(FStream.Id, size);
}

void TStorageStream::Clear() {
  SetPosition(0);
  SetSize(0);
}

void TStorageStream::WriteInteger(int64_t value) {
  char b[8];
  cfb::PutU64(b, uint64_t(value));
  Write(b, 8);
}

int64_t TStorageStream::ReadInteger() {
  char b[8] = {};
  Read(b, 8);
  return int64_t(cfb::GetU64(b));
}

void TStorageStream::WriteBoolean(bool value) {
  char b[4];
  cfb::PutU32(b, value ? 1 : 0);
  Write(b, 4);
}

bool TStorageStream::ReadBoolean() {
  char b[4] = {};
  Read(b, 4);
  return cfb::GetU32(b) != 0;
}

void TStorageStream::WriteString(std::u16string_view text) {
  char b[4];
  cfb::PutU32(b, uint32_t(text.size()));
  Write(b, 4);
  std::string bytes = Utf16ToUtf16Le(text);
  Write(bytes.data(), bytes.size());
}

std::u16string TStorageStream::ReadString() {
  char b[4] = {};
  if (Read(b, 4) < 4) return {};
  uint64_t units = cfb::GetU32(b);
  uint64_t left = Size() > Position() ? Size() - Position() : 0;
  std::string bytes(size_t(std::min(units * 2, left)), '\0');  // a count past the end is cut
  bytes.resize(Read(bytes.data(), bytes.size()));
  return Utf16LeToUtf16(bytes);
}

}  // namespace kv
