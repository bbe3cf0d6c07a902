#include "link/ui/LinkSettingsActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/LinkKeys.h"
#include "link/LinkSettings.h"
#include "link/ModuleLinkParams.h"
#include "link/RequestFlags.h"
#include "link/SystemSerialLine.h"
#include "link/ui/LinkSettingsDialog.h"
#include "link/ui/ProgramSettingsDialog.h"

namespace {

// A combo box that shows no item (the stored index was out of range) leaves the key alone.
void writeIndex(SettingsStore& mem, const SettingKey& key, const QComboBox* box) {
  if (box->currentIndex() >= 0) mem.writeInteger(key, box->currentIndex());
}

// The ports the system reports join COM1 to COM20, and every port present is shown in bold.
void addSystemPorts(QComboBox* box) {
  for (const QString& name : systemSerialPorts()) {
    const QString path = LinkSettings::devicePath(name);
    int index = -1;
    for (int i = 0; i < box->count() && index < 0; ++i)
      if (box->itemText(i) == name || LinkSettings::devicePath(box->itemText(i)) == path) index = i;
    if (index < 0) {
      box->addItem(name);
      index = box->count() - 1;
    }
    QFont bold = box->font();
    bold.setBold(true);
    box->setItemData(index, bold, Qt::FontRole);
    box->setItemData(index, QStringLiteral("Порт есть в системе"), Qt::ToolTipRole);
  }
}

void selectPort(QComboBox* box, const QString& port) {
  // No port configured yet: show none rather than store COM1 unasked.
  if (port.isEmpty()) return box->setCurrentIndex(-1);
  int index = box->findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive);
  // A port the list does not have (a pty, a device now unplugged) must survive the dialog.
  if (index < 0) {
    box->addItem(port);
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
}

}  // namespace

void programLinkSettings(QWidget* parent, const LinkContext& link) {
  link.status.setPollTimerActive(false);
  using namespace linkkeys;
  SettingsStore& mem = link.mem;
  LinkSettingsDialog dlg(parent);
  dlg.setStopBitsShown(true);
  dlg.editAdr()->setText(mem.readString(kAddress));
  dlg.speedBox()->setCurrentIndex(mem.readInteger(kSpeed));
  dlg.parityBox()->setCurrentIndex(mem.readInteger(kParity));
  dlg.comboBoxStops()->setCurrentIndex(mem.readInteger(kStopBits));
  dlg.setUse(LinkSettingsDialog::Use::Program);
  addSystemPorts(dlg.portBox());
  selectPort(dlg.portBox(), mem.readString(kPort));
  // The edits of the dialog and the keys they show, in one list for showing and storing.
  const std::pair<QLineEdit*, const SettingKey&> edits[] = {
      {dlg.editSend(), kSend},
      {dlg.editSleep(), kSleep},
      {dlg.editReceive(), kReceive},
      {dlg.readIntervalEdit(), kReadInterval},
      {dlg.readTotalPerByteEdit(), kReadTotalPerByte},
      {dlg.readTotalConstantEdit(), kReadTotalConstant},
      {dlg.writeTotalPerByteEdit(), kWriteTotalPerByte},
      {dlg.writeTotalConstantEdit(), kWriteTotalConstant}};
  for (const auto& [edit, key] : edits) edit->setText(mem.readString(key));
  const std::pair<QCheckBox*, const SettingKey&> boxes[] = {{dlg.fastBox(), kFast},
                                                            {dlg.echoBox(), kEcho}};
  for (const auto& [box, key] : boxes) box->setChecked(mem.readInteger(key) == 1);

  if (dlg.execute()) {
    mem.writeString(kAddress, dlg.editAdr()->text());
    writeIndex(mem, kSpeed, dlg.speedBox());
    writeIndex(mem, kParity, dlg.parityBox());
    writeIndex(mem, kStopBits, dlg.comboBoxStops());
    mem.writeString(kPort, dlg.portBox()->currentText());
    for (const auto& [edit, key] : edits) mem.writeString(key, edit->text());
    // Written only when changed: a mem.ini without the keys keeps their defaults unwritten.
    for (const auto& [box, key] : boxes)
      if (box->isChecked() != (mem.readInteger(key) == 1))
        mem.writeInteger(key, box->isChecked() ? 1 : 0);
    link.journal.append(
        QStringLiteral("Параметры связи программы: порт %1, адрес %2, скорость %3, "
                       "чётность %4, стоп-биты %5, быстрый обмен %6, эхо %7")
            .arg(dlg.portBox()->currentText(), dlg.editAdr()->text(), dlg.speedBox()->currentText(),
                 dlg.parityBox()->currentText(), dlg.comboBoxStops()->currentText(),
                 dlg.fastBox()->isChecked() ? QStringLiteral("да") : QStringLiteral("нет"),
                 dlg.echoBox()->isChecked() ? QStringLiteral("да") : QStringLiteral("нет")));
    flushOrReport(mem, link.prompter);
    // Even unchanged settings reopen the port: the user may be retrying a failed open.
    link.flags.portReopenRequest = true;
  }
  link.status.setPollTimerActive(true);
}

void programSettings(QWidget* parent, const LinkContext& link) {
  link.status.setPollTimerActive(false);
  SettingsStore& mem = link.mem;
  ProgramSettingsDialog form(parent);
  form.periodEdit()->setText(mem.readString(linkkeys::kPollPeriod));
  const int type = mem.readInteger(linkkeys::kDriveType);
  form.comboBoxType()->setCurrentIndex(type);
  form.exec();
  if (form.isAccepted()) {
    mem.writeString(linkkeys::kPollPeriod, form.periodEdit()->text());
    const int chosen = form.comboBoxType()->currentIndex();
    if (chosen >= 0 && chosen != type) {
      mem.writeInteger(linkkeys::kDriveType, chosen);
      // The input names depend on the drive type: the worker identifies the module again at
      // its next pass, between two exchanges, and builds the tables with the new names.
      link.requests.identify = true;
    }
    link.journal.append(QStringLiteral("Настройки программы: период опроса %1 мс, тип привода %2")
                            .arg(form.periodEdit()->text(), form.comboBoxType()->currentText()));
    flushOrReport(mem, link.prompter);
  }
  // The poll timer takes the period as it starts again.
  link.status.setPollTimerActive(true);
}

ModuleLinkSettings::ModuleLinkSettings(QWidget* parent, const LinkContext& link,
                                       ModuleLinkParams& params)
    : QObject(parent), parent_(parent), link_(link), params_(params) {
  readTimer_.setSingleShot(true);
  readTimer_.setInterval(kReadWaitMs);
  connect(&readTimer_, &QTimer::timeout, this, &ModuleLinkSettings::readTimedOut);
  connect(
      &link_.requests, &RequestFlags::served, this,
      [this](int request, bool) {
        if (request == RequestFlags::LinkParamsRead && readTimer_.isActive()) readServed();
      },
      Qt::QueuedConnection);
}

void ModuleLinkSettings::ButtonShowConnectClick() {
  if (readTimer_.isActive()) return;  // already waiting for the worker
  link_.requests.module[RequestFlags::LinkParamsRead] = true;
  readTimer_.start();
}

void ModuleLinkSettings::readTimedOut() {
  // The module is offline, or the worker busy: the request must not linger.
  link_.requests.module[RequestFlags::LinkParamsRead] = false;
  link_.showLinkFailure(QStringLiteral("Тайм-аут чтения параметров связи из модуля"));
}

void ModuleLinkSettings::readServed() {
  readTimer_.stop();
  const bool stopBits = link_.flags.firmwareVersion >= ModuleLinkParams::kStopBitsFirmware;
  // A failed read leaves the registers of the last successful one here (zero before any).
  const auto registers = params_.registersRead();
  LinkSettingsDialog dlg(parent_);
  dlg.setStopBitsShown(stopBits);
  dlg.editAdr()->setText(QString::number(registers[0]));
  dlg.speedBox()->setCurrentIndex(registers[1]);
  dlg.parityBox()->setCurrentIndex(registers[2]);
  if (stopBits) dlg.comboBoxStops()->setCurrentIndex(registers[3]);
  dlg.setUse(LinkSettingsDialog::Use::Module);
  if (!dlg.execute()) return;

  // A value no item shows goes back to the module as it was read.
  auto index = [&](const QComboBox* box, int reg) {
    return box->currentIndex() >= 0 ? box->currentIndex() : int(registers[reg]);
  };
  ModuleLinkParams::Entry entry;
  entry.address = dlg.editAdr()->text();
  entry.speed = index(dlg.speedBox(), 1);
  entry.parity = index(dlg.parityBox(), 2);
  entry.stopBits = stopBits ? index(dlg.comboBoxStops(), 3) : int(registers[3]);
  params_.setEntry(entry);
  link_.requests.module[RequestFlags::LinkParamsWrite] = true;
}
