#include "operation/ui/ProfileButtonDialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/ui/DialogButtons.h"
#include "core/ui/RussianInterface.h"

ProfileButtonDialog::ProfileButtonDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormProfile"));
  setWindowTitle(QStringLiteral("Профиль"));
  // A fixed dialog frame with the system menu only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* nameLabel = new QLabel(QStringLiteral("Имя профиля"), this);
  editName_ = new QLineEdit(this);
  editName_->setObjectName(QStringLiteral("EditName"));
  nameLabel->setBuddy(editName_);

  auto* fileLabel = new QLabel(QStringLiteral("Файл профиля"), this);
  editFile_ = new QLineEdit(this);
  editFile_->setObjectName(QStringLiteral("EditFile"));
  editFile_->setMinimumWidth(300);
  fileLabel->setBuddy(editFile_);
  buttonFile_ = new QPushButton(QStringLiteral("..."), this);
  buttonFile_->setObjectName(QStringLiteral("ButtonFile"));
  buttonFile_->setAutoDefault(false);

  const DialogButtons buttons =
      makeDialogButtons(this, QStringLiteral("ОК"), "ButtonOK", "ButtonCancel");
  buttonOK_ = buttons.ok;
  buttonCancel_ = buttons.cancel;

  auto* layout = new QGridLayout(this);
  layout->addWidget(nameLabel, 0, 0);
  layout->addWidget(editName_, 0, 1, 1, 2);
  layout->addWidget(fileLabel, 1, 0);
  layout->addWidget(editFile_, 1, 1);
  layout->addWidget(buttonFile_, 1, 2);
  layout->addLayout(buttons.row, 2, 0, 1, 3);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(buttonFile_, &QPushButton::clicked, this, &ProfileButtonDialog::ButtonFileClick);
  connect(buttonOK_, &QPushButton::clicked, this, &ProfileButtonDialog::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &ProfileButtonDialog::ButtonCancelClick);
}

void ProfileButtonDialog::ButtonFileClick() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  // Not the platform's dialog: the same everywhere, and tests can answer it offscreen.
  prepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("Текстовые файлы (*.txt)"));
  // A full path also opens the dialog in that file's folder.
  if (!editFile_->text().isEmpty()) dialog.selectFile(editFile_->text());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  editFile_->setText(dialog.selectedFiles().constFirst());
}

void ProfileButtonDialog::ButtonOKClick() {
  resultOk_ = true;
  accept();
}

void ProfileButtonDialog::ButtonCancelClick() { reject(); }

// Escape and the window's close button end the dialog as "Отмена" does.
void ProfileButtonDialog::reject() {
  resultOk_ = false;
  QDialog::reject();
}
