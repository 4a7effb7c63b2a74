// What the viewer window tests share: a history file of the samples made once per run, viewers
// in a frame of a fixed size, and the clicks and look-ups that drive their widgets.
#pragma once

#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "system/context.h"
#include "ui/locale.h"
#include "ui/qt/main_window.h"
#include "ui/qt/viewer_window.h"

class QAbstractItemView;
class QHeaderView;

#include <ostream>

// Test messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace kv::test {

TLocale English();
// A temporary folder for this run, removed at exit.
std::filesystem::path RunFolder();
std::string SamplesDir();
// The samples' Windows tree scanned into a history file, once per run.
std::u16string SamplesHistory();

std::unique_ptr<TSystemContext> LiveContext();  // this machine's platform

// The main window at 1280×800 on screen, with its context, hosting viewers.
struct TFrame {
  std::unique_ptr<TSystemContext> Context;
  std::unique_ptr<qt::Twnd_zof_Main> Frame;
  explicit TFrame(std::unique_ptr<TSystemContext> context);
  qt::Tmdi_zof_Viewer* FileViewer(const std::u16string& file);
};

// A viewer over the samples' history file in its frame.
class SamplesViewer : public ::testing::Test {
 protected:
  TFrame frame{LiveContext()};
  qt::Tmdi_zof_Viewer* v = frame.FileViewer(SamplesHistory());
};

void Settle();  // lets queued events and layouts run
void ClickHeader(QHeaderView* header, int section);
void ClickRow(QAbstractItemView* view, const QModelIndex& index, bool right = false);
// The texts of a tree, depth first, each indented by two blanks per level.
QStringList TreeTexts(const QAbstractItemView* view);
QModelIndex FindText(const QAbstractItemView* view, const QString& text, int column = 0);
// The column's texts of a list view's rows, top to bottom.
QStringList ColumnTexts(const QAbstractItemView* view, int column);
// Saves the widget's picture as a PNG in the build folder; returns its path.
QString Screenshot(QWidget* widget, const QString& name);

}  // namespace kv::test
