// The getting-started page the main window shows while no viewer is open: a decorative strip,
// the program icon, and a white panel with the two ways in (scan this machine, browse a
// history file), the supported clients, and the product line with its legal notice.
#pragma once

#include <QLabel>
#include <QWidget>

namespace kv::qt {

// A label that reports a click of the left mouse button.
class TClickLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class TGettingStartedPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kScanText =
      "Scan this machine. All supported e-mail clients will be scanned and results saved to file "
      "named according to machine and user name. If file exists new data are appended at the end "
      "so that you have all history in one file all the time.";
  static constexpr const char* kBrowseText = "Browse data stored in file";

  TGettingStartedPage(const QString& productLine, const QString& legalNotice,
                      QWidget* parent = nullptr);

  // The click targets, for the frame and for tests.
  TClickLabel* ProgramIconTarget() const { return FIcon; }
  TClickLabel* ScanPicture() const { return FScanPicture; }
  TClickLabel* ScanText() const { return FScanText; }
  TClickLabel* BrowsePicture() const { return FBrowsePicture; }
  TClickLabel* BrowseText() const { return FBrowseText; }
  TClickLabel* Logo() const { return FLogo; }

 signals:
  void LocalMachineClicked();
  void OpenClicked();
  void LogoClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* MakePanel(const QString& productLine, const QString& legalNotice);

  TClickLabel* FIcon = nullptr;
  TClickLabel* FScanPicture = nullptr;
  TClickLabel* FScanText = nullptr;
  TClickLabel* FBrowsePicture = nullptr;
  TClickLabel* FBrowseText = nullptr;
  TClickLabel* FLogo = nullptr;
};

}  // namespace kv::qt
