#include "storage/zlib_codec.h"

#include <zlib.h>

#include <vector>

namespace kv {
namespace {

constexpr int kLevel = 8;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;

std::string ZMessage(const char* what, int code, const z_stream& z) {
  std::string text = std::string(what) + " failed (zlib " + std::to_string(code);
  if (z.msg) text += std::string(": ") + z.msg;
  return text + ")";
}

}  // namespace

bool StartsWithZlibHeader(std::string_view bytes) {
  if (bytes.size() < 2) return false;
  unsigned cmf = static_cast<unsigned char>(bytes[0]), flg = static_cast<unsigned char>(bytes[1]);
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
}

void ZCompressStream(TStream& source, TStream& destination) {
  source.SetPosition(0);
  destination.SetPosition(0);
  std::string input = source.ReadRest();
  z_stream z{};
  int rc = deflateInit2(&z, kLevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) throw EZlibError(rc, ZMessage("deflateInit2", rc, z));
  std::vector<unsigned char> output(deflateBound(&z, uLong(input.size())));
  z.next_in = reinterpret_cast<Bytef*>(input.data());
  z.avail_in = uInt(input.size());
  z.next_out = output.data();
  z.avail_out = uInt(output.size());
  rc = deflate(&z, Z_FINISH);
  size_t produced = output.size() - z.avail_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw EZlibError(rc, ZMessage("deflate", rc, z));
  destination.Write(output.data(), produced);
  source.SetPosition(0);
  destination.SetPosition(0);
}

void ZDecompressStream(TStream& source, TStream& destination) {
  source.SetPosition(0);
  destination.SetPosition(0);
  std::string input = source.ReadRest();
  z_stream z{};
  int rc = inflateInit2(&z, kWindowBits);
  if (rc != Z_OK) throw EZlibError(rc, ZMessage("inflateInit2", rc, z));
  z.next_in = reinterpret_cast<Bytef*>(input.data());
  z.avail_in = uInt(input.size());
  std::vector<unsigned char> block(1 << 16);
  do {
    z.next_out = block.data();
    z.avail_out = uInt(block.size());
    rc = inflate(&z, Z_NO_FLUSH);
    destination.Write(block.data(), block.size() - z.avail_out);
  } while (rc == Z_OK);
  // Z_BUF_ERROR with the input used up: the stream was cut short.
  std::string failure = rc == Z_STREAM_END ? std::string() : ZMessage("inflate", rc, z);
  inflateEnd(&z);
  source.SetPosition(0);
  destination.SetPosition(0);
  if (rc != Z_STREAM_END) throw EZlibError(rc == Z_OK ? Z_BUF_ERROR : rc, failure);
}

}  // namespace kv
