#include "base/parallel_parts.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace kv {

size_t PartCount(uint64_t amount, uint64_t minPerPart, size_t maxParts) {
  const size_t processors = std::max(1u, std::thread::hardware_concurrency());
  const size_t most = maxParts ? maxParts : std::min<size_t>(processors, 8);
  return size_t(std::clamp<uint64_t>(amount / std::max<uint64_t>(minPerPart, 1), 1, most));
}

std::vector<std::exception_ptr> RunParts(size_t count, const std::function<void(size_t)>& run) {
  std::vector<std::exception_ptr> failures(count);
  auto part = [&](size_t k) {
    try {
      run(k);
    } catch (...) {
      failures[k] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(count);
  size_t started = 1;  // parts from here on run on this thread: no thread could be had
  try {
    for (; started < count; ++started) threads.emplace_back(part, started);
  } catch (const std::system_error&) {}
  if (count > 0) part(0);
  for (size_t k = started; k < count; ++k) part(k);
  for (std::thread& t : threads) t.join();
  return failures;
}

}  // namespace kv
