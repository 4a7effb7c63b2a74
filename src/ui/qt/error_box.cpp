#include "ui/qt/error_box.h"

#include <QApplication>
#include <QMessageBox>

#include "base/error.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

QMessageBox* ShowErrorBox(QWidget* parent, const QString& caption, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return box;
}

QString ErrorText(const std::exception& error) {
  if (const auto* own = dynamic_cast<const EKolvaneError*>(&error)) return Q(own->Message());
  return QString::fromUtf8(error.what());
}

bool ReportErrors(QWidget* parent, const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(parent, QApplication::applicationDisplayName(), ErrorText(error));
  } catch (...) {
    ShowErrorBox(parent, QApplication::applicationDisplayName(), QStringLiteral("Unknown error"));
  }
  return false;
}

}  // namespace kv::qt
