#include "params/ui/MainPage.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/SettingsStore.h"
#include "params/FirmwareLayout.h"
#include "params/ui/ParameterGrid.h"

namespace {

QGroupBox* gridGroup(const QString& caption, const QString& gridName, QTableWidget** grid,
                     QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  *grid = ParameterGrid::makeGrid(gridName, group);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(*grid);
  return group;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

// A pair of exclusive choices in a group of their own.
QGroupBox* radioPair(const QString& caption, const char* firstName, QRadioButton** first,
                     const char* secondName, QRadioButton** second, QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  *first = new QRadioButton(group);
  (*first)->setObjectName(QString::fromLatin1(firstName));
  *second = new QRadioButton(group);
  (*second)->setObjectName(QString::fromLatin1(secondName));
  auto* exclusive = new QButtonGroup(group);
  exclusive->addButton(*first);
  exclusive->addButton(*second);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(*first);
  layout->addWidget(*second);
  return group;
}

}  // namespace

MainPage::MainPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetMain"));

  QGroupBox* inputs = gridGroup(QStringLiteral("Параметры дискретных входов"),
                                QStringLiteral("StringGridInps"), &inps_, this);
  QGroupBox* timers = gridGroup(QStringLiteral("Параметры таймеров"),
                                QStringLiteral("StringGridTimers"), &timers_, this);
  QGroupBox* motorTable =
      gridGroup(QStringLiteral("Параметры мотора"), QStringLiteral("StringGridActu"), &actu_, this);

  outputs_ = new QGroupBox(QStringLiteral("Настройки выходов"), this);
  outputs_->setObjectName(QStringLiteral("GroupBox14"));
  auto* outputsLayout = new QVBoxLayout(outputs_);
  outputsLayout->addWidget(radioPair(QStringLiteral("Логика сигнального реле"),
                                     "RadioButtonAlarmOn", &alarmOn_, "RadioButtonAlarmOff",
                                     &alarmOff_, outputs_));
  outputsLayout->addWidget(radioPair(QStringLiteral("Логика силового выхода"), "RadioButtonDirect",
                                     &direct_, "RadioButtonInverse", &inverse_, outputs_));
  for (QRadioButton* r : {alarmOn_, alarmOff_, direct_, inverse_})
    connect(r, &QRadioButton::clicked, this,
            [this] { emit choicesEdited(alarmOn_->isChecked(), direct_->isChecked()); });

  motor_ = new QGroupBox(QStringLiteral("Напряжение мотора"), this);
  motor_->setObjectName(QStringLiteral("GroupBox17"));
  motorVoltage_ = new QLabel(motor_);
  motorVoltage_->setObjectName(QStringLiteral("StaticTextMotorVoltage"));
  motorVoltage_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  motorVoltage_->setMinimumWidth(80);
  change_ = button("ButtonChange", QStringLiteral("Изменить"), motor_);
  auto* motorLayout = new QHBoxLayout(motor_);
  motorLayout->addWidget(motorVoltage_);
  motorLayout->addWidget(change_);
  motorLayout->addStretch(1);

  save_ = button("ButtonSave", QStringLiteral("Записать параметры в модуль"), this);
  saveProfile_ = button("ButtonSaveProfile", QStringLiteral("Сохранить параметры в файл"), this);
  loadProfile_ = button("ButtonLoadProfile", QStringLiteral("Загрузить параметры из файла"), this);
  compareProfile_ = button("ButtonCompareProfile", QStringLiteral("Сравнить с файлом..."), this);
  showConnect_ = button("ButtonShowConnect", QStringLiteral("Параметры связи модуля"), this);

  profiles_ = new QGroupBox(QStringLiteral("Загрузка профилей"), this);
  profiles_->setObjectName(QStringLiteral("GroupBox21"));
  new QVBoxLayout(profiles_);               // the profile bar goes in here
  profiles_->setMinimumWidth(4 * 70 + 60);  // its four buttons side by side

  auto* side = new QVBoxLayout;
  side->addWidget(outputs_);
  side->addWidget(motor_);
  side->addWidget(profiles_);
  side->addStretch(1);
  side->addWidget(save_);
  side->addWidget(saveProfile_);
  side->addWidget(loadProfile_);
  side->addWidget(compareProfile_);
  side->addWidget(showConnect_);

  auto* tables = new QVBoxLayout;
  tables->addWidget(timers, 3);
  tables->addWidget(motorTable, 2);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(inputs, 2);
  layout->addLayout(tables, 3);
  layout->addLayout(side, 2);

  // Nothing is identified yet: no version-dependent group.
  outputs_->hide();
  motor_->hide();
}

void MainPage::showFirmwareGroups(int version, const SettingsStore& mem) {
  outputs_->setVisible(firmware::hasOutputLogic(version));
  motor_->setVisible(firmware::hasMotorVoltage(version));
  if (!firmware::hasOutputLogic(version)) return;
  const QString section = QStringLiteral("main_outs");
  alarmOn_->setText(
      mem.readString(section, QStringLiteral("n2"), QStringLiteral("alarm relay on by alarm")));
  alarmOff_->setText(
      mem.readString(section, QStringLiteral("n1"), QStringLiteral("alarm relay off by alarm")));
  direct_->setText(
      mem.readString(section, QStringLiteral("n4"), QStringLiteral("motor output normal")));
  inverse_->setText(
      mem.readString(section, QStringLiteral("n3"), QStringLiteral("motor output inverse")));
}

void MainPage::showChoices(bool alarmOn, bool direct, const QString& motorVoltage) {
  (alarmOn ? alarmOn_ : alarmOff_)->setChecked(true);
  (direct ? direct_ : inverse_)->setChecked(true);
  motorVoltage_->setText(motorVoltage);
}

void MainPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window restored from the task bar does not count as choosing the tab.
  if (!event->spontaneous()) emit shown();
}
