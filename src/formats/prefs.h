// Reader of Mozilla's prefs.js: one user_pref("name", value); call per line. Values are kept as
// the text written between the quotes (or the bare number or Boolean); escape sequences are not
// undone, so a Windows path keeps its doubled backslashes and the caller undoes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"

namespace kv {

struct TUserPref {
  std::u16string Name;
  std::u16string Value;  // always text, also for numbers and Booleans
};
using TUserPrefs = std::vector<TUserPref>;

class TPrefsJS {
 public:
  TPrefsJS() = default;

  // Reads a prefs.js file and appends its preferences to those already held; fileName is kept
  // as FileName. A UTF-8 or UTF-16 byte-order mark selects that encoding; text without one is
  // read as UTF-8 when valid, otherwise through Windows-1252. Throws only when the stream does.
  void Load(IReadStream& stream, std::u16string_view fileName = {});
  // The same for the file's bytes.
  void LoadFromBytes(std::string_view bytes, std::u16string_view fileName = {});

  const std::u16string& FileName() const { return FFilename; }
  uint32_t UserPrefCount() const { return static_cast<uint32_t>(FUserPrefs.size()); }
  const TUserPrefs& UserPrefs() const { return FUserPrefs; }

  // The first preference whose name equals `name` ignoring ASCII case; an empty name and value
  // when there is none.
  void GetUserPref(std::u16string_view name, TUserPref& pref) const;
  TUserPref GetUserPref(std::u16string_view name) const;

 private:
  TUserPrefs FUserPrefs;
  std::u16string FFilename;
};

// Cuts one line of prefs.js into a preference; false for a line that is not a user_pref call
// (comments, blank lines, other calls).
bool ParsePrefsLine(std::u16string_view line, TUserPref& pref);

}  // namespace kv
