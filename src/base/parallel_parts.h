// Work cut into parts that run at the same time (the records of a large folder, the sort keys of
// a long list): the first part on the calling thread, every other on a thread of its own. Parts
// for which no thread can be had run on the calling thread after the first, so the work is done
// whatever the system grants. What each part throws is kept for the caller, who takes the parts'
// results in their order and so fails as one worker going from the first part to the last would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

namespace kv {

// How many parts `amount` makes when each holds at least `minPerPart` of it: at least one, and
// at most `maxParts`, or when that is 0 one per processor up to eight.
size_t PartCount(uint64_t amount, uint64_t minPerPart, size_t maxParts = 0);

// Runs run(k) for every k below `count` and returns when all have ended: element k is what
// run(k) threw, null where it threw nothing.
std::vector<std::exception_ptr> RunParts(size_t count, const std::function<void(size_t)>& run);

}  // namespace kv
