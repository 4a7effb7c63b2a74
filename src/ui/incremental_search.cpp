#include "ui/incremental_search.h"

namespace kv {

void TIncrementalSearch::Expire(uint64_t nowMs) {
  if (!FText.empty() && (nowMs < FLastMs || nowMs - FLastMs >= kPauseMs)) FText.clear();
  FLastMs = nowMs;
}

const std::u16string& TIncrementalSearch::Type(char16_t c, uint64_t nowMs) {
  Expire(nowMs);
  FText.push_back(c);
  return FText;
}

const std::u16string& TIncrementalSearch::Backspace(uint64_t nowMs) {
  Expire(nowMs);
  if (!FText.empty()) {
    // A surrogate pair is one character.
    bool pair = FText.size() >= 2 && FText.back() >= 0xDC00 && FText.back() <= 0xDFFF &&
                FText[FText.size() - 2] >= 0xD800 && FText[FText.size() - 2] <= 0xDBFF;
    FText.resize(FText.size() - (pair ? 2 : 1));
  }
  return FText;
}

}  // namespace kv
