#include "link/ui/LinkSettingsActions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>

#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/LinkSettings.h"
#include "link/ModuleLinkParams.h"
#include "link/RequestFlags.h"
#include "link/ui/LinkSettingsDialog.h"
#include "link/ui/ProgramSettingsDialog.h"

namespace {

const QString kConnect = QStringLiteral("connect");
const QString kMeasure = QStringLiteral("measure");

// A combo box that shows no item (the stored index was out of range) leaves the key alone.
void writeIndex(SettingsStore& mem, const QString& section, const char* key, const QComboBox* box) {
  if (box->currentIndex() >= 0) mem.writeInteger(section, QLatin1String(key), box->currentIndex());
}

// The ports the system reports, as mem.ini's port key names them: COMn on Windows, the device
// path elsewhere (a USB adapter is /dev/ttyUSB0, which no COMn maps to).
void addSystemPorts(QComboBox* box) {
  QStringList names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
    names << info.portName();
#else
    names << info.systemLocation();
#endif
  }
  std::sort(names.begin(), names.end());
  for (const QString& name : names) {
    const QString path = LinkSettings::devicePath(name);
    bool listed = false;
    for (int i = 0; i < box->count() && !listed; ++i)
      listed = box->itemText(i) == name || LinkSettings::devicePath(box->itemText(i)) == path;
    if (!listed) box->addItem(name);
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
  SettingsStore& mem = link.mem;
  auto text = [&](const char* key, const char* def) {
    return mem.readString(kConnect, QLatin1String(key), QLatin1String(def));
  };
  LinkSettingsDialog dlg(parent);
  dlg.setStopBitsShown(true);
  dlg.editAdr()->setText(text("adr", "100"));
  dlg.speedBox()->setCurrentIndex(mem.readInteger(kConnect, QStringLiteral("speed"), 0));
  dlg.parityBox()->setCurrentIndex(mem.readInteger(kConnect, QStringLiteral("parity"), 0));
  dlg.comboBoxStops()->setCurrentIndex(mem.readInteger(kConnect, QStringLiteral("stopbits"), 1));
  dlg.setUse(LinkSettingsDialog::Use::Program);
  addSystemPorts(dlg.portBox());
  selectPort(dlg.portBox(), text("port", ""));
  dlg.editSend()->setText(text("send", "50"));
  dlg.editSleep()->setText(text("sleep", "70"));
  dlg.editReceive()->setText(text("receive", "50"));
  dlg.readIntervalEdit()->setText(text("cto1", "10"));
  dlg.readTotalPerByteEdit()->setText(text("cto2", "0"));
  dlg.readTotalConstantEdit()->setText(text("cto3", "1000"));
  dlg.writeTotalPerByteEdit()->setText(text("cto4", "100"));
  dlg.writeTotalConstantEdit()->setText(text("cto5", "1000"));

  if (dlg.execute()) {
    auto write = [&](const char* key, const QString& value) {
      mem.writeString(kConnect, QLatin1String(key), value);
    };
    write("adr", dlg.editAdr()->text());
    writeIndex(mem, kConnect, "speed", dlg.speedBox());
    writeIndex(mem, kConnect, "parity", dlg.parityBox());
    writeIndex(mem, kConnect, "stopbits", dlg.comboBoxStops());
    write("port", dlg.portBox()->currentText());
    write("send", dlg.editSend()->text());
    write("sleep", dlg.editSleep()->text());
    write("receive", dlg.editReceive()->text());
    write("cto1", dlg.readIntervalEdit()->text());
    write("cto2", dlg.readTotalPerByteEdit()->text());
    write("cto3", dlg.readTotalConstantEdit()->text());
    write("cto4", dlg.writeTotalPerByteEdit()->text());
    write("cto5", dlg.writeTotalConstantEdit()->text());
    link.journal.append(QStringLiteral("Параметры связи программы: порт %1, адрес %2, скорость %3, "
                                       "чётность %4, стоп-биты %5")
                            .arg(dlg.portBox()->currentText(), dlg.editAdr()->text(),
                                 dlg.speedBox()->currentText(), dlg.parityBox()->currentText(),
                                 dlg.comboBoxStops()->currentText()));
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
  form.periodEdit()->setText(
      mem.readString(kMeasure, QStringLiteral("period"), QStringLiteral("1000")));
  const int type = mem.readInteger(kMeasure, QStringLiteral("type"), 0);
  form.comboBoxType()->setCurrentIndex(type);
  form.exec();
  if (form.isAccepted()) {
    mem.writeString(kMeasure, QStringLiteral("period"), form.periodEdit()->text());
    const int chosen = form.comboBoxType()->currentIndex();
    if (chosen >= 0 && chosen != type) {
      mem.writeInteger(kMeasure, QStringLiteral("type"), chosen);
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
