// The viewer on a screen of twice the pixel density: every length given for 96 dots per inch
// covers twice the pixels, and the images are drawn at that density, not blown up.
#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>

#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/message_list.h"
#include "ui/qt/client_bar.h"
#include "ui/qt/message_list_view.h"
#include "viewer_support.h"

namespace kv::test {
namespace {

using HighDensityScreen = SamplesViewer;

TEST_F(HighDensityScreen, LengthsAndImagesScaleWithTheScreen) {
  ASSERT_TRUE(v);
  const qreal ratio = v->devicePixelRatioF();
  ASSERT_EQ(ratio, 2.0);
  EXPECT_EQ(v->PageIcon()->width() * ratio, 64);
  const QPixmap icon = v->PageIcon()->pixmap();
  EXPECT_EQ(icon.size(), QSize(64, 64)) << "drawn at the screen's density";
  EXPECT_EQ(v->ClientBar()->Item(1)->height() * ratio, 70);
  EXPECT_EQ(v->MessageList()->header()->sectionSize(lcPriority) * ratio, 50);
  const QString path = Screenshot(frame.Frame.get(), QStringLiteral("viewer-samples-1280x800-2x"));
  EXPECT_EQ(QImage(path).size(), QSize(2560, 1600));
}

}  // namespace
}  // namespace kv::test

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_SCALE_FACTOR", "2", 1);
  setenv("LC_ALL", "en_US.UTF-8", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
