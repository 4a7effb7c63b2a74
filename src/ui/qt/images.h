// The program's images, drawn as SVG and compiled in as resources: the sixteen-pixel images of
// the message list and the folder tree, one icon per mail client and the program's icon. Each
// icon holds renderings at several sizes, so it stays sharp on a screen of any pixel density.
#pragma once

#include <QIcon>

#include "core/message.h"
#include "ui/message_list.h"

namespace kv::qt {

const QIcon& ListImageIcon(TListImage image);
// The 32×32 icon of a client page; an unknown client gets the program's icon.
const QIcon& ClientIcon(TEmailClient client);
const QIcon& ProgramIcon();

}  // namespace kv::qt
