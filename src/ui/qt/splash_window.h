// The splash: a small borderless window in front of the main window while a scan or a load
// runs. There is at most one, reached through ShowSplash and HideSplash. It sets the busy
// cursor while shown and takes the focus back when it loses it. Its second line can name what
// is being read; each change repaints it with the user's input kept out, so the desktop sees a
// window that answers during a long scan.
#pragma once

#include <QString>
#include <QWidget>

namespace kv::qt {

class Twnd_zof_Splash : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kWaitText = "Collecting information...please wait";

  explicit Twnd_zof_Splash(QWidget* over);
  // The lower line: what is being read; an empty text brings back the waiting text.
  void SetProgress(const QString& text);
  const QString& LowerLine() const { return FLower; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QString FLower;
};

// Sets the busy cursor and shows the splash, centred over `over` (the active window when none),
// painted before it returns. Again while shown: shows and repaints the same window.
void ShowSplash(QWidget* over = nullptr);
// Destroys the splash, if one is shown, and sets the normal cursor.
void HideSplash();
// The splash shown now, or none.
Twnd_zof_Splash* CurrentSplash();
// Names what is being read on the splash's lower line and lets it repaint; user input waits.
void SplashProgress(const QString& text);

}  // namespace kv::qt
