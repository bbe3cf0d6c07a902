#include "link/ModuleLinkParams.h"

#include <algorithm>

#include "app/AppCore.h"
#include "link/Prompter.h"
#include "params/TableTransfer.h"

namespace {
const QString kConnect = QStringLiteral("connect");
constexpr uint32_t kSuccessPauseMs = 1000;
}  // namespace

std::array<uint16_t, ModuleLinkParams::kMaxRegisters> ModuleLinkParams::registersRead() const {
  std::lock_guard lock(mutex_);
  return read_;
}

void ModuleLinkParams::storeRead(const uint16_t* values, int count) {
  std::lock_guard lock(mutex_);
  std::copy_n(values, std::clamp(count, 0, kMaxRegisters), read_.begin());
}

ModuleLinkParams::Entry ModuleLinkParams::entry() const {
  std::lock_guard lock(mutex_);
  return entry_;
}

void ModuleLinkParams::setEntry(const Entry& entry) {
  std::lock_guard lock(mutex_);
  entry_ = entry;
}

bool readModuleLinkParams(AppCore& core) {
  const int count = ModuleLinkParams::registerCount(core.flags.firmwareVersion);
  ReadExchange x;
  if (!core.client().readModuleRegisters(x, 0, uint16_t(count))) {
    // The dialog then opens with the registers of the last successful read.
    core.showLinkFailure(x.error);
    return false;
  }
  core.linkParams.storeRead(x.registers.data(), std::min<int>(count, x.decodedCount));
  return true;
}

bool writeModuleLinkParams(AppCore& core) {
  const int count = ModuleLinkParams::registerCount(core.flags.firmwareVersion);
  core.progress.show(QStringLiteral("Запись параметров связи в модуль..."));
  const ModuleLinkParams::Entry entry = core.linkParams.entry();
  TableTransfer transfer(core);

  // The dialog refuses a non-integer address; one that does not fit a register would reach
  // the module cut to 16 bits while mem.ini kept the full number, so neither is sent.
  int address = 0;
  if (!SettingsStore::parseInteger(entry.address, &address) || address < 0 || address > 0xFFFF) {
    core.prompter.showMessage(QStringLiteral("Ошибка"),
                              QStringLiteral("Некорректное значение адреса модуля"),
                              Prompter::Icon::Error);
    transfer.showWriteFailure();
    return false;
  }

  const uint16_t values[ModuleLinkParams::kMaxRegisters] = {
      uint16_t(address), uint16_t(entry.speed), uint16_t(entry.parity), uint16_t(entry.stopBits)};
  WriteExchange x;
  // Sent to the present address; the module answers from there and takes the new one after.
  if (!core.client().writeModuleRegisters(x, 0, values, uint16_t(count))) {
    transfer.showWriteFailure();
    return false;
  }

  SettingsStore& mem = core.mem;
  mem.writeInteger(kConnect, QStringLiteral("adr"), address);
  mem.writeInteger(kConnect, QStringLiteral("speed"), entry.speed);
  mem.writeInteger(kConnect, QStringLiteral("parity"), entry.parity);
  if (count == 4) mem.writeInteger(kConnect, QStringLiteral("stopbits"), entry.stopBits);
  if (!mem.flush()) {
    // The module already has the new settings and the program uses them from memory; the
    // user must know the file on disk still has the old ones.
    core.prompter.showMessage(QStringLiteral("Ошибка"),
                              QStringLiteral("Не удалось сохранить файл настроек %1\n%2")
                                  .arg(mem.path(), mem.lastError()),
                              Prompter::Icon::Error);
  }

  core.progress.setText(QStringLiteral("УСПЕШНО!!!"));
  core.clock.sleep(kSuccessPauseMs);
  core.progress.hide();
  return true;
}
