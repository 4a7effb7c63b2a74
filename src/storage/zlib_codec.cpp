#include "storage/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
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

struct TZlibWriter::TState {
  z_stream Z{};
  std::vector<unsigned char> Block = std::vector<unsigned char>(kBlock);
  bool Open = false;
  static constexpr size_t kBlock = 1 << 16;
  static constexpr size_t kMaxQueued = 4;  // chunks waiting: bounds the memory, keeps both busy

  size_t Written = 0;  // bytes taken so far
  // The deflating thread and what it is handed.
  std::thread Worker;
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<std::string> Queue;
  bool Closing = false;
  bool NoThread = false;  // none could be had: deflate runs on the caller's thread
  std::exception_ptr Failure;
};

TZlibWriter::TZlibWriter(TStream& destination)
    : FState(std::make_unique<TState>()), FDestination(destination) {
  const int rc =
      deflateInit2(&FState->Z, kLevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) throw EZlibError(rc, ZMessage("deflateInit2", rc, FState->Z));
  FState->Open = true;
}

TZlibWriter::~TZlibWriter() {
  if (FState->Worker.joinable()) {
    {
      std::lock_guard<std::mutex> hold(FState->Lock);
      FState->Closing = true;
      FState->Queue.clear();
    }
    FState->Changed.notify_all();
    FState->Worker.join();
  }
  if (FState->Open) deflateEnd(&FState->Z);
}

void TZlibWriter::Run(std::string_view bytes, int flush) {
  z_stream& z = FState->Z;
  do {  // zlib counts its input in uInt
    const size_t n = std::min<size_t>(bytes.size(), size_t(1) << 30);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = uInt(n);
    bytes.remove_prefix(n);
    const int now = bytes.empty() ? flush : Z_NO_FLUSH;
    int rc;
    do {
      z.next_out = FState->Block.data();
      z.avail_out = uInt(FState->Block.size());
      rc = deflate(&z, now);
      if (rc == Z_STREAM_ERROR) throw EZlibError(rc, ZMessage("deflate", rc, z));
      const size_t produced = FState->Block.size() - z.avail_out;
      if (produced > 0 && FDestination.Write(FState->Block.data(), produced) != produced)
        throw EZlibError(Z_ERRNO, "the compressed stream could not be written whole");
    } while (z.avail_out == 0 || (now == Z_FINISH && rc != Z_STREAM_END));
  } while (!bytes.empty());
}

void TZlibWriter::Work() {
  TState& st = *FState;
  for (;;) {
    std::string chunk;
    {
      std::unique_lock<std::mutex> hold(st.Lock);
      st.Changed.wait(hold, [&] { return !st.Queue.empty() || st.Closing; });
      if (st.Queue.empty()) return;  // closing, everything deflated
      chunk = std::move(st.Queue.front());
      st.Queue.pop_front();
    }
    st.Changed.notify_all();
    try {
      Run(chunk, Z_NO_FLUSH);
    } catch (...) {
      {
        std::lock_guard<std::mutex> hold(st.Lock);
        st.Failure = std::current_exception();
        st.Queue.clear();
      }
      st.Changed.notify_all();  // a writer waiting for room learns of the failure
      return;
    }
  }
}

bool TZlibWriter::OnThisThread(size_t more) const {
  const TState& st = *FState;
  return !st.Worker.joinable() && (st.NoThread || st.Written + more <= kThreadFrom);
}

void TZlibWriter::Write(std::string_view bytes) {
  if (!OnThisThread(bytes.size())) {
    Write(std::string(bytes));  // a copy the thread can keep
    return;
  }
  FState->Written += bytes.size();
  if (!bytes.empty()) Run(bytes, Z_NO_FLUSH);
}

void TZlibWriter::Write(std::string&& bytes) {
  if (OnThisThread(bytes.size())) {
    Write(std::string_view(bytes));
    return;
  }
  TState& st = *FState;
  st.Written += bytes.size();
  if (!st.Worker.joinable()) {
    try {
      st.Worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      st.NoThread = true;
      Run(bytes, Z_NO_FLUSH);
      return;
    }
  }
  std::unique_lock<std::mutex> hold(st.Lock);
  st.Changed.wait(hold, [&] { return st.Queue.size() < TState::kMaxQueued || st.Failure; });
  if (st.Failure) std::rethrow_exception(st.Failure);
  st.Queue.push_back(std::move(bytes));
  hold.unlock();
  st.Changed.notify_all();
}

void TZlibWriter::Finish() {
  TState& st = *FState;
  if (st.Worker.joinable()) {
    {
      std::lock_guard<std::mutex> hold(st.Lock);
      st.Closing = true;
    }
    st.Changed.notify_all();
    st.Worker.join();
    if (st.Failure) std::rethrow_exception(st.Failure);
  }
  Run({}, Z_FINISH);
  deflateEnd(&st.Z);
  st.Open = false;
}

void ZCompressStream(TStream& source, TStream& destination) {
  source.SetPosition(0);
  destination.SetPosition(0);
  {
    TZlibWriter writer(destination);
    std::vector<char> block(1 << 18);
    for (size_t n; (n = source.Read(block.data(), block.size())) > 0;)
      writer.Write(std::string_view(block.data(), n));
    writer.Finish();
  }
  source.SetPosition(0);
  destination.SetPosition(0);
}

void ZDecompressStream(TStream& source, TStream& destination) {
  source.SetPosition(0);
  destination.SetPosition(0);
  z_stream z{};
  int rc = inflateInit2(&z, kWindowBits);
  if (rc != Z_OK) throw EZlibError(rc, ZMessage("inflateInit2", rc, z));
  // zlib's state goes also when a read or write of the streams raises.
  struct TInflateEnd {
    z_stream& Z;
    ~TInflateEnd() { inflateEnd(&Z); }
  } end{z};
  // The input in blocks as it is read, never whole.
  std::vector<unsigned char> input(1 << 16), block(1 << 16);
  bool inputEnd = false;
  do {
    if (z.avail_in == 0 && !inputEnd) {
      z.next_in = input.data();
      z.avail_in = uInt(source.Read(input.data(), input.size()));
      inputEnd = z.avail_in == 0;
    }
    z.next_out = block.data();
    z.avail_out = uInt(block.size());
    rc = inflate(&z, Z_NO_FLUSH);
    destination.Write(block.data(), block.size() - z.avail_out);
    // The input used up and nothing more to come: the stream was cut short.
    if (rc == Z_BUF_ERROR && inputEnd) break;
    if (rc == Z_BUF_ERROR && z.avail_in == 0) rc = Z_OK;  // more input next round
  } while (rc == Z_OK);
  // Z_BUF_ERROR with the input used up: the stream was cut short.
  std::string failure = rc == Z_STREAM_END ? std::string() : ZMessage("inflate", rc, z);
  source.SetPosition(0);
  destination.SetPosition(0);
  if (rc != Z_STREAM_END) throw EZlibError(rc == Z_OK ? Z_BUF_ERROR : rc, failure);
}

}  // namespace kv
