#include "ui/qt/images.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <array>
#include <initializer_list>

// The resources live in this static library: naming their initialiser here keeps the linker
// from dropping them.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace kv::qt {

namespace {

QIcon Render(const char* name, std::initializer_list<int> sides) {
  static const bool initialised = (InitIconResources(), true);
  (void)initialised;
  QSvgRenderer svg(QStringLiteral(":/kolvane/icons/%1.svg").arg(QLatin1String(name)));
  QIcon icon;
  for (int side : sides) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon Small(const char* name) { return Render(name, {16, 20, 24, 32, 40, 48, 64}); }
QIcon Large(const char* name) { return Render(name, {32, 40, 48, 64, 96, 128}); }

}  // namespace

const QIcon& ListImageIcon(TListImage image) {
  static const std::array<QIcon, 8> icons = {
      Small("paperclip"), Small("priority_high"), Small("priority_low"), Small("flag"),
      Small("read"),      Small("unread"),        Small("mail_tray"),    Small("folder")};
  return icons.at(size_t(image));
}

const QIcon& ClientIcon(TEmailClient client) {
  static const std::array<QIcon, 4> icons = {Large("client_oe"), Large("client_winmail"),
                                             Large("client_winlivemail"),
                                             Large("client_thunderbird")};
  const auto index = size_t(client);
  return index < icons.size() ? icons[index] : ProgramIcon();
}

const QIcon& ProgramIcon() {
  static const QIcon icon = Large("kolvane");
  return icon;
}

const std::vector<QIcon>& WindowBarImages() {
  static const std::vector<QIcon> icons = {Small("win_window"),   Small("win_restore"),
                                           Small("win_minimize"), Small("win_maximize"),
                                           Small("win_close"),    Small("win_globe")};
  return icons;
}

const QIcon& FrameIcon(TFrameImage image) {
  static const std::array<QIcon, 7> icons = {
      Small("menu_open"),          Small("menu_exit"),
      Small("menu_cascade"),       Small("menu_tile_horizontal"),
      Small("menu_tile_vertical"), Large("page_scan"),
      Large("page_browse")};
  return icons.at(size_t(image));
}

}  // namespace kv::qt
