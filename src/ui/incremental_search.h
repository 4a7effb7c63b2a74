// The typed text of the list's incremental search. Characters typed in quick succession build
// one search text; after a pause of a second the next character starts a new one. Backspace
// removes the last character. Times are passed in, in milliseconds, so no clock is read here.
// The search looks at the Subject column, which becomes the list's focused column when a row is
// first focused by a click or a key; until then typing finds nothing.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

class TIncrementalSearch {
 public:
  static constexpr uint64_t kPauseMs = 1000;

  // Adds a typed character and returns the text to search for.
  const std::u16string& Type(char16_t c, uint64_t nowMs);
  const std::u16string& Backspace(uint64_t nowMs);
  void Reset() { FText.clear(); }
  // A row was focused by a click or a key: from now on typed text is searched for.
  void RowFocused() { FArmed = true; }
  bool Armed() const { return FArmed; }
  const std::u16string& Text() const { return FText; }

 private:
  void Expire(uint64_t nowMs);
  std::u16string FText;
  uint64_t FLastMs = 0;
  bool FArmed = false;
};

}  // namespace kv
