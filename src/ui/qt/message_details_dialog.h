// "Message details": every stored field of one record in text fields that can be selected and
// copied. The dialog holds the texts, not the record.
#pragma once

#include <QDialog>

#include "core/message.h"
#include "ui/locale.h"

namespace kv::qt {

class TMessageDetailsDialog : public QDialog {
  Q_OBJECT

 public:
  TMessageDetailsDialog(const TMessageView& record, const TLocale& locale,
                        QWidget* parent = nullptr);
  // The text shown for a field's label, empty when there is no such field.
  QString FieldText(const QString& label) const;
};

}  // namespace kv::qt
