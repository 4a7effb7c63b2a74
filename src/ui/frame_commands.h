// The main window's rules without widgets: the command line rejoined into paths, the captions
// of the viewers it opens, when the getting-started page shows, the window bar's pop-up menu
// and the texts of the error boxes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window_bar.h"

namespace kv {

// The arguments joined with blanks into paths: arguments accumulate, each followed by a blank,
// until the accumulated text (trailing blanks ignored) names an existing file; that path is
// taken and the next one starts. What is left at the end names no file and is dropped.
std::vector<std::u16string> JoinCommandLine(
    const std::vector<std::u16string>& args,
    const std::function<bool(const std::u16string&)>& exists);

// The caption of a viewer of a file: its name without the folder, and without its extension
// unless `keepExtension` (a file opened by the open-path event keeps it). `sep` is the
// platform's separator; "/" is taken as one as well.
std::u16string FileViewerCaption(std::u16string_view path, bool keepExtension, char16_t sep);
// The caption of a local viewer: "MACHINE_USER".
std::u16string LocalViewerCaption(std::u16string_view machine, std::u16string_view user);

// Whether the getting-started page shows after a change of the window bar: when no viewer is
// counted, or when a viewer is closing and it is the only one (it is still counted then).
bool GettingStartedVisible(size_t viewerCount, TMDIAction action);

// The window bar's pop-up menu as it opens: its title, and which items can be chosen.
struct TBarPopup {
  std::u16string Title;      // the hot button's caption, or "<none>"
  bool WindowItems = false;  // title, Restore, Minimize, Maximize, Close
  bool AllItems = true;      // Minimize All, Close All
};
TBarPopup BarPopupFor(const TWindowBarModel& bar);

// The texts of the error boxes.
std::u16string FileDoesNotExistText(std::u16string_view path);
std::u16string CannotOpenFileText(std::u16string_view path);
std::u16string CannotOpenFileText(std::u16string_view path, std::u16string_view reason);

}  // namespace kv
