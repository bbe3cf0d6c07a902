#include "core/ui/MessageBoxes.h"

#include <QPushButton>

namespace {

void nameButtons(QMessageBox& box) {
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("ОК"));
  if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
    cancel->setText(QStringLiteral("Отмена"));
}

}  // namespace

void showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                    const QString& text) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  nameButtons(box);
  box.exec();
}

bool askOkCancel(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                  parent);
  box.setDefaultButton(QMessageBox::Ok);
  nameButtons(box);
  return box.exec() == QMessageBox::Ok;
}
