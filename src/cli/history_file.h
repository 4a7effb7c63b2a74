// Telling a history data file from any other file named on the command line. Loading never
// does: a file that is not a compound file, or a compound file of another program, loads as a
// history file with no folders. The browsing commands still show that (empty) content, and say
// once on stderr that the file is not a history file.
#pragma once

#include <string_view>

namespace kv {

// A compound file that holds the storage of a mail client ("OE", "WinMail", "WinLiveMail",
// "Thunderbird"), or whose summary property set carries a property only our header writers put
// there ("Username" from the viewer's, "SIFVersion" from a collector's own), so that a history
// file without folders yet is one too. A missing file is none. Raises what opening the
// compound file raises (a damaged file, one held by a writer).
bool IsHistoryFile(std::u16string_view path);

}  // namespace kv
