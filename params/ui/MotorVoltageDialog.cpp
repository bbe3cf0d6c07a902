#include "params/ui/MotorVoltageDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/ui/DialogButtons.h"

namespace {

QLabel* valueLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(120);
  return label;
}

}  // namespace

MotorVoltageDialog::MotorVoltageDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Изменение типа напряжения мотора"));
  setModal(true);

  currentTypeText_ = valueLabel("StaticText1", this);
  newTypeText_ = valueLabel("StaticText2", this);
  // Unmasked: the engineer reads the code off a service sheet and should see what was typed.
  editPsw_ = new QLineEdit(this);
  editPsw_->setObjectName(QStringLiteral("EditPsw"));
  auto* passwordLabel = new QLabel(QStringLiteral("Пароль"), this);
  passwordLabel->setBuddy(editPsw_);

  const DialogButtons buttons =
      makeDialogButtons(this, QStringLiteral("ОК"), "ButtonOK", "ButtonCancel");
  buttonOK_ = buttons.ok;
  buttonCancel_ = buttons.cancel;

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Текущее"), this), 0, 0);
  layout->addWidget(currentTypeText_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Новое"), this), 1, 0);
  layout->addWidget(newTypeText_, 1, 1);
  layout->addWidget(passwordLabel, 2, 0);
  layout->addWidget(editPsw_, 2, 1);
  layout->addLayout(buttons.row, 3, 0, 1, 2);
  setFixedSize(sizeHint().expandedTo(QSize(320, 0)));

  connect(buttonOK_, &QPushButton::clicked, this, &MotorVoltageDialog::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &MotorVoltageDialog::ButtonCancelClick);
}

bool MotorVoltageDialog::ask(const QString& currentName, const QString& newName) {
  currentTypeText_->setText(currentName);
  newTypeText_->setText(newName);
  exec();
  return confirmed_;
}

void MotorVoltageDialog::showEvent(QShowEvent* event) {
  // A confirmation or a password from an earlier showing must not carry over.
  confirmed_ = false;
  editPsw_->clear();
  QDialog::showEvent(event);
  editPsw_->setFocus();
}

void MotorVoltageDialog::ButtonOKClick() {
  confirmed_ = true;
  accept();
}

void MotorVoltageDialog::ButtonCancelClick() {
  confirmed_ = false;
  reject();
}
