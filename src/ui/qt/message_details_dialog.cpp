#include "ui/qt/message_details_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/message_details.h"
#include "ui/qt/dpi.h"
#include "ui/qt/qt_text.h"

namespace kv::qt {

TMessageDetailsDialog::TMessageDetailsDialog(const TMessageView& record, const TLocale& locale,
                                             QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Message details"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  for (const TDetailField& field : MessageDetails(record, locale)) {
    auto* value = new QLineEdit(Q(field.Value), this);
    value->setReadOnly(true);
    value->setCursorPosition(0);
    value->setObjectName(Q(field.Label));
    value->setMinimumWidth(Scaled(this, 380));
    form->addRow(Q(field.Label) + QLatin1Char(':'), value);
  }
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QString TMessageDetailsDialog::FieldText(const QString& label) const {
  const auto* value = findChild<QLineEdit*>(label);
  return value ? value->text() : QString();
}

}  // namespace kv::qt
