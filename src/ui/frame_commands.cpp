#include "ui/frame_commands.h"

#include "base/text.h"

namespace kv {

std::vector<std::u16string> JoinCommandLine(
    const std::vector<std::u16string>& args,
    const std::function<bool(const std::u16string&)>& exists) {
  std::vector<std::u16string> paths;
  std::u16string pending;
  for (const auto& arg : args) {
    pending += arg;
    pending += u' ';
    std::u16string candidate = pending;
    while (!candidate.empty() && candidate.back() == u' ') candidate.pop_back();
    if (!candidate.empty() && exists(candidate)) {
      paths.push_back(Trim(candidate));
      pending.clear();
    }
  }
  return paths;
}

std::u16string FileViewerCaption(std::u16string_view path, bool keepExtension, char16_t sep) {
  const size_t slash =
      path.find_last_of(sep == u'/' ? std::u16string_view(u"/") : std::u16string_view(u"/\\"));
  std::u16string name(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
  if (!keepExtension) {
    const size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) name.resize(dot);
  }
  return name;
}

std::u16string LocalViewerCaption(std::u16string_view machine, std::u16string_view user) {
  return AsciiUpper(std::u16string(machine) + u"_" + std::u16string(user));
}

bool GettingStartedVisible(size_t viewerCount, TMDIAction action) {
  return viewerCount == 0 || (action == TMDIAction::mdiClose && viewerCount == 1);
}

TBarPopup BarPopupFor(const TWindowBarModel& bar) {
  TBarPopup popup;
  const int hot = bar.HotButtonIndex();
  popup.WindowItems = hot >= 0;
  popup.Title = hot >= 0 ? bar.Button(size_t(hot)).Caption : std::u16string(u"<none>");
  return popup;
}

std::u16string FileDoesNotExistText(std::u16string_view path) {
  return u"File " + std::u16string(path) + u" does not exist.";
}

std::u16string CannotOpenFileText(std::u16string_view path) {
  return u"Cannot open file " + std::u16string(path) + u".";
}

std::u16string CannotOpenFileText(std::u16string_view path, std::u16string_view reason) {
  return u"Cannot open file " + std::u16string(path) + u": " + std::u16string(reason);
}

}  // namespace kv
