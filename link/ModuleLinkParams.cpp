#include "link/ModuleLinkParams.h"

#include <algorithm>

#include "core/Clock.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SettingsStore.h"
#include "link/LinkContext.h"
#include "link/LinkEntryCheck.h"
#include "link/LinkFlags.h"
#include "link/LinkKeys.h"
#include "link/ModbusRtuClient.h"

namespace {
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

bool readModuleLinkParams(const LinkContext& link, ModuleLinkParams& params) {
  const int count = ModuleLinkParams::registerCount(link.flags.firmwareVersion);
  ReadExchange x;
  if (!link.client.readModuleRegisters(x, 0, uint16_t(count))) {
    // The dialog then opens with the registers of the last successful read.
    link.showLinkFailure(x.error);
    return false;
  }
  params.storeRead(x.registers.data(), std::min<int>(count, x.decodedCount));
  return true;
}

bool writeModuleLinkParams(const LinkContext& link, ModuleLinkParams& params) {
  const int count = ModuleLinkParams::registerCount(link.flags.firmwareVersion);
  link.progress.show(QStringLiteral("Запись параметров связи в модуль..."));
  const ModuleLinkParams::Entry entry = params.entry();

  // The dialog refuses such an address already; one given another way must not reach the
  // module either: cut to a register or to the slave address byte it would name another one.
  const std::optional<int> typed = linkentry::slaveAddress(entry.address);
  if (!typed) {
    link.prompter.showMessage(QStringLiteral("Ошибка"),
                              QStringLiteral("Некорректное значение адреса модуля"),
                              Prompter::Icon::Error);
    showWriteFailure(link.progress, link.status, link.clock);
    return false;
  }

  const int address = *typed;
  const uint16_t values[ModuleLinkParams::kMaxRegisters] = {
      uint16_t(address), uint16_t(entry.speed), uint16_t(entry.parity), uint16_t(entry.stopBits)};
  WriteExchange x;
  // Sent to the present address; the module answers from there and takes the new one after.
  if (!link.client.writeModuleRegisters(x, 0, values, uint16_t(count))) {
    showWriteFailure(link.progress, link.status, link.clock);
    return false;
  }

  SettingsStore& mem = link.mem;
  mem.writeInteger(linkkeys::kAddress, address);
  mem.writeInteger(linkkeys::kSpeed, entry.speed);
  mem.writeInteger(linkkeys::kParity, entry.parity);
  if (count == 4) mem.writeInteger(linkkeys::kStopBits, entry.stopBits);
  // The module already has the new settings and the program uses them from memory; the user
  // must know if the file on disk still has the old ones.
  flushOrReport(mem, link.prompter);

  link.progress.setText(QStringLiteral("УСПЕШНО!!!"));
  link.clock.sleep(kSuccessPauseMs);
  link.progress.hide();
  return true;
}
