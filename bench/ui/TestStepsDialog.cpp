#include "bench/ui/TestStepsDialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "bench/TestRunner.h"
#include "core/SettingsStore.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/MessageBoxes.h"

namespace {
const char* const kBoxNames[TestRunner::kSteps] = {"CheckBoxDoDI",           "CheckBoxDoDO",
                                                   "CheckBoxDoGeneral",      "CheckBoxDoOverload",
                                                   "CheckBoxDoShortCircuit", "CheckBoxDoFinal"};
}  // namespace

TestStepsDialog::TestStepsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormSteps"));
  setWindowTitle(QStringLiteral("Шаги испытания"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < TestRunner::kSteps; ++i) {
    boxes_[size_t(i)] = new QCheckBox(QString::fromUtf8(TestRunner::step(i).caption), this);
    boxes_[size_t(i)]->setObjectName(QLatin1String(kBoxNames[i]));
    layout->addWidget(boxes_[size_t(i)]);
  }
  const DialogButtons buttons =
      makeDialogButtons(this, QStringLiteral("ОК"), "ButtonOK", "ButtonCancel");
  ok_ = buttons.ok;
  cancel_ = buttons.cancel;
  layout->addLayout(buttons.row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok_, &QPushButton::clicked, this, &TestStepsDialog::ButtonOKClick);
  connect(cancel_, &QPushButton::clicked, this, &TestStepsDialog::ButtonCancelClick);
}

void TestStepsDialog::ButtonOKClick() {
  accepted_ = true;
  accept();
}

void TestStepsDialog::ButtonCancelClick() {
  accepted_ = false;
  reject();
}

bool TestStepsDialog::edit(SettingsStore& tp) {
  for (int i = 0; i < TestRunner::kSteps; ++i)
    boxes_[size_t(i)]->setChecked(TestRunner::enabled(tp, i));
  // Closing with the window's button (or Escape) changes nothing, whatever an earlier
  // closing left.
  accepted_ = false;
  exec();
  if (!accepted_) return false;
  for (int i = 0; i < TestRunner::kSteps; ++i) {
    const TestRunner::Step& s = TestRunner::step(i);
    tp.writeInteger(QLatin1String(s.section), QLatin1String(s.key),
                    boxes_[size_t(i)]->isChecked() ? 1 : 0);
  }
  if (!tp.flush())
    showMessageBox(this, QMessageBox::Critical, QStringLiteral("Ошибка"), tp.saveFailureText());
  return true;
}
