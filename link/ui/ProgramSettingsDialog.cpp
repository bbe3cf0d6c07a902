#include "link/ui/ProgramSettingsDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "core/SettingsStore.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/MessageBoxes.h"
#include "link/LinkEntryCheck.h"

ProgramSettingsDialog::ProgramSettingsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Настройки программы"));
  setModal(true);

  periodEdit_ = new QLineEdit(this);
  periodEdit_->setObjectName(QStringLiteral("Edit1"));
  auto* periodLabel = new QLabel(QStringLiteral("Период опроса, мсек"), this);
  periodLabel->setBuddy(periodEdit_);
  comboBoxType_ = new QComboBox(this);
  comboBoxType_->setObjectName(QStringLiteral("ComboBoxType"));
  comboBoxType_->addItems({QStringLiteral("Выкатной элемент"), QStringLiteral("Заземляющий нож")});
  auto* typeLabel = new QLabel(QStringLiteral("Тип привода"), this);
  typeLabel->setBuddy(comboBoxType_);

  const DialogButtons buttons = makeDialogButtons(this, QStringLiteral("ОК"), "Button1", "Button2");
  okButton_ = buttons.ok;
  cancelButton_ = buttons.cancel;

  auto* layout = new QGridLayout(this);
  layout->addWidget(periodLabel, 0, 0);
  layout->addWidget(periodEdit_, 0, 1);
  layout->addWidget(typeLabel, 1, 0);
  layout->addWidget(comboBoxType_, 1, 1);
  layout->addLayout(buttons.row, 2, 0, 1, 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(okButton_, &QPushButton::clicked, this, &ProgramSettingsDialog::okClicked);
  connect(cancelButton_, &QPushButton::clicked, this, &ProgramSettingsDialog::cancelClicked);
}

void ProgramSettingsDialog::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void ProgramSettingsDialog::FormShow() { accepted_ = false; }

void ProgramSettingsDialog::okClicked() {
  const QString refusal = linkentry::pollPeriodRefusal(periodEdit_->text());
  if (!refusal.isEmpty()) {
    // The window stays open so the value can be corrected.
    showMessageBox(this, QMessageBox::Critical, QStringLiteral("Ошибка"), refusal);
    periodEdit_->setFocus();
    return;
  }
  accepted_ = true;
  accept();
}

void ProgramSettingsDialog::cancelClicked() { reject(); }
