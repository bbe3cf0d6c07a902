#include "app/ui/PasswordDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/Variant.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/MessageBoxes.h"

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Вход с паролем"));
  setModal(true);

  auto* label = new QLabel(QStringLiteral("Пароль"), this);
  passwordEdit_ = new QLineEdit(this);
  passwordEdit_->setObjectName(QStringLiteral("Edit1"));
  passwordEdit_->setEchoMode(QLineEdit::Password);
  // Each typed character shows as "*", not as the style's dot.
  passwordEdit_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  label->setBuddy(passwordEdit_);

  const DialogButtons buttons =
      makeDialogButtons(this, QStringLiteral("ОК"), "ButtonOK", "ButtonCancel");
  buttonOK_ = buttons.ok;
  buttonCancel_ = buttons.cancel;

  auto* layout = new QGridLayout(this);
  layout->addWidget(label, 0, 0);
  layout->addWidget(passwordEdit_, 0, 1);
  layout->addLayout(buttons.row, 1, 0, 1, 2);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));

  connect(buttonOK_, &QPushButton::clicked, this, &PasswordDialog::ButtonOKClick);
  // Cancel, Escape and closing the window all reject, which leaves the level at 0.
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

int PasswordDialog::askAccessLevel() {
  exec();
  return accessLevel_;
}

void PasswordDialog::showEvent(QShowEvent* event) {
  accessLevel_ = 0;
  passwordEdit_->clear();
  QDialog::showEvent(event);
  passwordEdit_->setFocus();
}

void PasswordDialog::ButtonOKClick() {
  const int level = accessLevelForPassword(passwordEdit_->text());
  if (level < 0) {
    showMessageBox(this, QMessageBox::Critical, QStringLiteral("ОШИБКА"),
                   QStringLiteral("Неверный пароль"));
    passwordEdit_->setFocus();
    return;
  }
  accessLevel_ = level;
  accept();
}
