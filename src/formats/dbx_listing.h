// Listing the messages of a .dbx folder (dbx_reader.h describes the file): one record per
// message-info object, with its texts decoded, its date converted and its size added up from the
// 16-byte headers of its text blocks. Each lister reads through a read cache of its own, so that
// the records of a large folder can be listed in parts at the same time, one lister per part over
// a stream of its own; the records do not depend on how a folder is cut into parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/record_store.h"
#include "formats/maildate.h"
#include "formats/read_cache.h"
#include "formats/text8_area.h"

namespace kv {

// The blocks of one chain met so far, so that a walk along a chain that comes back to a block
// (damage) ends there.
class TSeenBlocks {
 public:
  void Clear();
  // Whether block `p` was met since Clear; it counts as met from now on.
  bool Seen(uint32_t p);

 private:
  static constexpr size_t kShortChain = 32;  // longer chains are checked through a hash set
  std::vector<uint32_t> FShort;
  std::unordered_set<uint32_t> FLong;
};

class TDbxLister {
 public:
  // Reads through `cache`, which no other thread uses meanwhile. `toLocal`: dates in local time,
  // else in UTC.
  TDbxLister(TReadCache& cache, bool toLocal);

  // Appends to `out` the record of the message-info object at each of `addresses`; an address 0
  // gives an all-zero record. Throws what reading the stream throws.
  void List(std::span<const uint32_t> addresses, TRecordStore& out);

 private:
  // Fills the all-zero record from the message-info object at `address`; its texts are views
  // into FTexts, valid until the next call.
  void ReadMessageInfo(uint32_t address, TMessageView& record);
  // The text bytes of the chain from block `first` on, as far as it goes without a block twice.
  uint32_t ChainSize(uint32_t first);

  TReadCache& FCache;
  bool FToLocal;
  TSeenBlocks FChain;  // blocks of the chain being walked
  // Chain sizes from blocks walked so far: the size from a block on is the same whichever chain
  // leads to it, so chains that share blocks (damage) share one walk.
  std::unordered_map<uint32_t, uint32_t> FSizeFrom;
  std::vector<std::pair<uint32_t, uint32_t>> FWalk;  // block, its text bytes, in chain order
  std::string FBody;   // a message-info object that two cache windows share, copied
  std::string FSpare;  // a block header that two cache windows share, copied
  TText8Area FTexts;   // the texts of the record being read
};

}  // namespace kv
