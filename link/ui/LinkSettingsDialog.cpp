#include "link/ui/LinkSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/SettingsStore.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/MessageBoxes.h"
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
  buildLinkGroup();
  buildTimingGroup();

  const DialogButtons buttons =
      makeDialogButtons(this, QStringLiteral("Записать"), "OKBtn", "CancelBtn");
  okBtn_ = buttons.ok;
  cancelBtn_ = buttons.cancel;

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(linkGroup_);
  layout->addWidget(timingGroup_);
  layout->addLayout(buttons.row);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // shrinks when the port and timing hide

  connect(okBtn_, &QPushButton::clicked, this, &LinkSettingsDialog::OKBtnClick);
  connect(cancelBtn_, &QPushButton::clicked, this, &LinkSettingsDialog::CancelBtnClick);
}

void LinkSettingsDialog::buildLinkGroup() {
  linkGroup_ = new QGroupBox(this);
  linkGroup_->setObjectName(QStringLiteral("GroupBox4"));
  auto* link = new QGridLayout(linkGroup_);
  editAdr_ = makeEdit(linkGroup_, "EditAdr");
  addRow(link, QStringLiteral("Адрес модуля"), editAdr_);
  speedBox_ = makeCombo(linkGroup_, "ComboBox2",
                        {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                         QStringLiteral("57600"), QStringLiteral("115200")});
  addRow(link, QStringLiteral("Скорость, кбит/с"), speedBox_);
  parityBox_ =
      makeCombo(linkGroup_, "ComboBox3",
                {QStringLiteral("нет"), QStringLiteral("чет(even)"), QStringLiteral("нечет(odd)")});
  addRow(link, QStringLiteral("Паритет"), parityBox_);
  comboBoxStops_ =
      makeCombo(linkGroup_, "ComboBoxStops", {QStringLiteral("1"), QStringLiteral("2")});
  stopBitsLabel_ = addRow(link, QStringLiteral("Кол-во стоп-битов"), comboBoxStops_);
  stopBitsLabel_->setObjectName(QStringLiteral("Label11"));
  portBox_ = new QComboBox(linkGroup_);
  portBox_->setObjectName(QStringLiteral("ComboBox1"));
  // Editable, so a device the system does not report (a pty, an unusual adapter) can be typed.
  portBox_->setEditable(true);
  portBox_->setInsertPolicy(QComboBox::NoInsert);
  for (int n = 1; n <= 20; ++n) portBox_->addItem(QStringLiteral("COM%1").arg(n));
  portLabel_ = addRow(link, QStringLiteral("Порт"), portBox_);
  portLabel_->setObjectName(QStringLiteral("Label1"));
  portBox_->setToolTip(
      QStringLiteral("COM-порт из списка, путь устройства или сервер последовательных портов "
                     "в виде АДРЕС:ПОРТ, например 192.168.0.10:4001"));
  fastBox_ = new QCheckBox(QStringLiteral("Быстрый обмен"), linkGroup_);
  fastBox_->setObjectName(QStringLiteral("CheckBoxFast"));
  fastBox_->setToolTip(
      QStringLiteral("Ответ принимается, как только он пришёл целиком, без постоянной паузы "
                     "Sleep; следующий запрос идёт после паузы в 3,5 символа"));
  link->addWidget(fastBox_, link->rowCount(), 0, 1, 2);
  echoBox_ = new QCheckBox(QStringLiteral("Эхо адаптера"), linkGroup_);
  echoBox_->setObjectName(QStringLiteral("CheckBoxEcho"));
  echoBox_->setToolTip(
      QStringLiteral("Адаптер RS-485 возвращает свой запрос перед ответом: эти байты "
                     "отбрасываются"));
  link->addWidget(echoBox_, link->rowCount(), 0, 1, 2);
}

void LinkSettingsDialog::buildTimingGroup() {
  timingGroup_ = new QGroupBox(QStringLiteral("Задержки"), this);
  timingGroup_->setObjectName(QStringLiteral("GroupBox1"));
  exchangeTimingGroup_ = new QGroupBox(QStringLiteral("Async Op"), timingGroup_);
  exchangeTimingGroup_->setObjectName(QStringLiteral("GroupBox2"));
  auto* async = new QGridLayout(exchangeTimingGroup_);
  editSend_ = makeEdit(exchangeTimingGroup_, "EditSend");
  addRow(async, QStringLiteral("Send"), editSend_);
  editSleep_ = makeEdit(exchangeTimingGroup_, "EditSleep");
  addRow(async, QStringLiteral("Sleep"), editSleep_);
  editReceive_ = makeEdit(exchangeTimingGroup_, "EditReceive");
  addRow(async, QStringLiteral("Receive"), editReceive_);
  portTimeoutsGroup_ = new QGroupBox(QStringLiteral("CTO"), timingGroup_);
  portTimeoutsGroup_->setObjectName(QStringLiteral("GroupBox3"));
  auto* cto = new QGridLayout(portTimeoutsGroup_);
  readIntervalEdit_ = makeEdit(portTimeoutsGroup_, "Edit1");
  addRow(cto, QStringLiteral("ReadIntervalTimeout"), readIntervalEdit_);
  readTotalPerByteEdit_ = makeEdit(portTimeoutsGroup_, "Edit2");
  addRow(cto, QStringLiteral("ReadTotalTimeoutMultiplier"), readTotalPerByteEdit_);
  readTotalConstantEdit_ = makeEdit(portTimeoutsGroup_, "Edit3");
  addRow(cto, QStringLiteral("ReadTotalTimeoutConstant"), readTotalConstantEdit_);
  writeTotalPerByteEdit_ = makeEdit(portTimeoutsGroup_, "Edit5");
  addRow(cto, QStringLiteral("WriteTotalTimeoutMultiplier"), writeTotalPerByteEdit_);
  writeTotalConstantEdit_ = makeEdit(portTimeoutsGroup_, "Edit6");
  addRow(cto, QStringLiteral("WriteTotalTimeoutConstant"), writeTotalConstantEdit_);
  auto* timing = new QHBoxLayout(timingGroup_);
  timing->addWidget(exchangeTimingGroup_);
  timing->addWidget(portTimeoutsGroup_);

  // Shown for reference: of the timing values only cto1 is changed here, the rest in mem.ini.
  for (QLineEdit* edit : {editSend_, editSleep_, editReceive_, readTotalPerByteEdit_,
                          readTotalConstantEdit_, writeTotalPerByteEdit_, writeTotalConstantEdit_})
    edit->setEnabled(false);
}

void LinkSettingsDialog::setUse(Use use) {
  const bool program = use == Use::Program;
  linkGroup_->setTitle(program ? QStringLiteral("Настройки связи программы")
                               : QStringLiteral("Настройки связи модуля"));
  okBtn_->setText(program ? QStringLiteral("OK") : QStringLiteral("Записать"));
  // Port and timing belong to the program, not to the module.
  portBox_->setVisible(program);
  portLabel_->setVisible(program);
  fastBox_->setVisible(program);
  echoBox_->setVisible(program);
  timingGroup_->setVisible(program);
}

void LinkSettingsDialog::setStopBitsShown(bool shown) {
  comboBoxStops_->setVisible(shown);
  stopBitsLabel_->setVisible(shown);
}

bool LinkSettingsDialog::execute() {
  clearAccepted();
  exec();
  return accepted_;
}

void LinkSettingsDialog::OKBtnClick() {
  // The timing values are checked only where they are shown and stored.
  const QString refusal =
      timingGroup_->isHidden()
          ? linkentry::moduleRefusal(editAdr_->text())
          : linkentry::programRefusal({editAdr_->text(), editSend_->text(), editSleep_->text(),
                                       editReceive_->text(), readIntervalEdit_->text()});
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
