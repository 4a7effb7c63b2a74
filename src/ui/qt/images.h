// The program's images, drawn as SVG and compiled in as resources: the sixteen-pixel images of
// the message list and the folder tree, one icon per mail client and the program's icon. Each
// icon holds renderings at several sizes, so it stays sharp on a screen of any pixel density.
#pragma once

#include <QIcon>

#include <vector>

#include "core/message.h"
#include "ui/message_list.h"

namespace kv::qt {

const QIcon& ListImageIcon(TListImage image);
// The 32×32 icon of a client page; an unknown client gets the program's icon.
const QIcon& ClientIcon(TEmailClient client);
const QIcon& ProgramIcon();

// The window bar's images, by number: 0 window, 1 restore, 2 minimise, 3 maximise, 4 close,
// 5 globe (the viewers' image).
enum class TBarImage { biWindow, biRestore, biMinimize, biMaximize, biClose, biGlobe };
constexpr int kViewerBarImage = int(TBarImage::biGlobe);
const std::vector<QIcon>& WindowBarImages();

// The main window's menu images and the getting-started page's pictures.
enum class TFrameImage {
  fiOpen,
  fiExit,
  fiCascade,
  fiTileHorizontal,
  fiTileVertical,
  fiScan,
  fiBrowse
};
const QIcon& FrameIcon(TFrameImage image);

}  // namespace kv::qt
