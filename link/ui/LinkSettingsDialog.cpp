#include "link/ui/LinkSettingsDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ui/DialogButtons.h"
#include "core/ui/MessageBoxes.h"
#include "core/SettingsStore.h"
#include "link/LinkEntryCheck.h"

namespace {

QLineEdit* makeEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  return edit;
}

QComboBox* makeCombo(QWidget* parent, const char* name, const QStringList& items) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QLatin1String(name));
  combo->addItems(items);
  return combo;
}

// One "label: field" row of a grid; the label is returned for the rows that show and hide.
QLabel* addRow(QGridLayout* grid, const QString& caption, QWidget* field) {
  auto* label = new QLabel(caption, field->parentWidget());
  label->setBuddy(field);
  const int row = grid->rowCount();
  grid->addWidget(label, row, 0);
  grid->addWidget(field, row, 1);
  return label;
}

}  // namespace

LinkSettingsDialog::LinkSettingsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ConparDlg"));
  setWindowTitle(QStringLiteral("Параметры связи"));
  setModal(true);

  groupBox4_ = new QGroupBox(this);
  groupBox4_->setObjectName(QStringLiteral("GroupBox4"));
  auto* link = new QGridLayout(groupBox4_);
  editAdr_ = makeEdit(groupBox4_, "EditAdr");
  addRow(link, QStringLiteral("Адрес модуля"), editAdr_);
  comboBox2_ = makeCombo(groupBox4_, "ComboBox2",
                         {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                          QStringLiteral("57600"), QStringLiteral("115200")});
  addRow(link, QStringLiteral("Скорость, кбит/с"), comboBox2_);
  comboBox3_ =
      makeCombo(groupBox4_, "ComboBox3",
                {QStringLiteral("нет"), QStringLiteral("чет(even)"), QStringLiteral("нечет(odd)")});
  addRow(link, QStringLiteral("Паритет"), comboBox3_);
  comboBoxStops_ =
      makeCombo(groupBox4_, "ComboBoxStops", {QStringLiteral("1"), QStringLiteral("2")});
  label11_ = addRow(link, QStringLiteral("Кол-во стоп-битов"), comboBoxStops_);
  label11_->setObjectName(QStringLiteral("Label11"));
  comboBox1_ = new QComboBox(groupBox4_);
  comboBox1_->setObjectName(QStringLiteral("ComboBox1"));
  // Editable, so a device the system does not report (a pty, an unusual adapter) can be typed.
  comboBox1_->setEditable(true);
  comboBox1_->setInsertPolicy(QComboBox::NoInsert);
  for (int n = 1; n <= 20; ++n) comboBox1_->addItem(QStringLiteral("COM%1").arg(n));
  label1_ = addRow(link, QStringLiteral("Порт"), comboBox1_);
  label1_->setObjectName(QStringLiteral("Label1"));

  groupBox1_ = new QGroupBox(QStringLiteral("Задержки"), this);
  groupBox1_->setObjectName(QStringLiteral("GroupBox1"));
  groupBox2_ = new QGroupBox(QStringLiteral("Async Op"), groupBox1_);
  groupBox2_->setObjectName(QStringLiteral("GroupBox2"));
  auto* async = new QGridLayout(groupBox2_);
  editSend_ = makeEdit(groupBox2_, "EditSend");
  addRow(async, QStringLiteral("Send"), editSend_);
  editSleep_ = makeEdit(groupBox2_, "EditSleep");
  addRow(async, QStringLiteral("Sleep"), editSleep_);
  editReceive_ = makeEdit(groupBox2_, "EditReceive");
  addRow(async, QStringLiteral("Receive"), editReceive_);
  groupBox3_ = new QGroupBox(QStringLiteral("CTO"), groupBox1_);
  groupBox3_->setObjectName(QStringLiteral("GroupBox3"));
  auto* cto = new QGridLayout(groupBox3_);
  edit1_ = makeEdit(groupBox3_, "Edit1");
  addRow(cto, QStringLiteral("ReadIntervalTimeout"), edit1_);
  edit2_ = makeEdit(groupBox3_, "Edit2");
  addRow(cto, QStringLiteral("ReadTotalTimeoutMultiplier"), edit2_);
  edit3_ = makeEdit(groupBox3_, "Edit3");
  addRow(cto, QStringLiteral("ReadTotalTimeoutConstant"), edit3_);
  edit5_ = makeEdit(groupBox3_, "Edit5");
  addRow(cto, QStringLiteral("WriteTotalTimeoutMultiplier"), edit5_);
  edit6_ = makeEdit(groupBox3_, "Edit6");
  addRow(cto, QStringLiteral("WriteTotalTimeoutConstant"), edit6_);
  auto* timing = new QHBoxLayout(groupBox1_);
  timing->addWidget(groupBox2_);
  timing->addWidget(groupBox3_);

  // Shown for reference: of the timing values only cto1 is changed here, the rest in mem.ini.
  for (QLineEdit* edit : {editSend_, editSleep_, editReceive_, edit2_, edit3_, edit5_, edit6_})
    edit->setEnabled(false);

  const DialogButtons buttons =
      makeDialogButtons(this, QStringLiteral("Записать"), "OKBtn", "CancelBtn");
  okBtn_ = buttons.ok;
  cancelBtn_ = buttons.cancel;

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(groupBox4_);
  layout->addWidget(groupBox1_);
  layout->addLayout(buttons.row);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // shrinks when the port and timing hide

  connect(okBtn_, &QPushButton::clicked, this, &LinkSettingsDialog::OKBtnClick);
  connect(cancelBtn_, &QPushButton::clicked, this, &LinkSettingsDialog::CancelBtnClick);
}

void LinkSettingsDialog::setUse(Use use) {
  const bool program = use == Use::Program;
  groupBox4_->setTitle(program ? QStringLiteral("Настройки связи программы")
                               : QStringLiteral("Настройки связи модуля"));
  okBtn_->setText(program ? QStringLiteral("OK") : QStringLiteral("Записать"));
  // Port and timing belong to the program, not to the module.
  comboBox1_->setVisible(program);
  label1_->setVisible(program);
  groupBox1_->setVisible(program);
}

void LinkSettingsDialog::setStopBitsShown(bool shown) {
  comboBoxStops_->setVisible(shown);
  label11_->setVisible(shown);
}

bool LinkSettingsDialog::execute() {
  clearAccepted();
  exec();
  return accepted_;
}

void LinkSettingsDialog::OKBtnClick() {
  // The timing values are checked only where they are shown and stored.
  const QString refusal =
      groupBox1_->isHidden()
          ? linkentry::moduleRefusal(editAdr_->text())
          : linkentry::programRefusal({editAdr_->text(), editSend_->text(), editSleep_->text(),
                                       editReceive_->text(), edit1_->text()});
  if (!refusal.isEmpty()) return refuse(refusal);
  accepted_ = true;
  accept();
}

void LinkSettingsDialog::CancelBtnClick() {
  accepted_ = false;
  reject();
}

void LinkSettingsDialog::refuse(const QString& text) {
  showMessageBox(this, QMessageBox::Critical, QStringLiteral("Ошибка"), text);
  accepted_ = false;
  // OKBtn closes the dialog in every case; nothing is stored after a failed check.
  reject();
}
