// Errors reach the user in an error box; no exception crosses Qt's event loop. The box does not
// block the caller: it shows, and deletes itself when closed.
#pragma once

#include <QString>

#include <exception>
#include <functional>

class QMessageBox;
class QWidget;

namespace kv::qt {

QMessageBox* ShowErrorBox(QWidget* parent, const QString& caption, const QString& text);
// The message of an exception as the user reads it.
QString ErrorText(const std::exception& error);
// Runs `action`; an error it raises is shown in an error box titled with the application's
// title. Returns whether the action completed.
bool ReportErrors(QWidget* parent, const std::function<void()>& action);

}  // namespace kv::qt
