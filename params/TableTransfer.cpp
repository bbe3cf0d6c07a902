#include "params/TableTransfer.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "link/RequestFlags.h"
#include "params/ParameterKeys.h"

namespace {
const QString kError = QStringLiteral("Ошибка");
const QString kWriting = QStringLiteral("Запись параметров в модуль...");
}  // namespace

bool TableTransfer::read(ReadExchange& x, uint16_t first, uint16_t count) {
  if (ctx_.link.client.readModuleRegisters(x, first, count)) return true;
  ctx_.link.showLinkFailure(x.error);
  return false;
}

bool TableTransfer::readInto(ParameterTables::Id id) {
  const ParameterTables::Table table = ctx_.tables().table(id);
  ReadExchange x;
  if (!read(x, table.start, table.count)) return false;
  ctx_.tables().storeRead(id, x.registers.data(), std::min<int>(table.count, x.decodedCount));
  return true;
}

bool TableTransfer::readMainTables() {
  ParameterTables& t = ctx_.tables();
  const int version = ctx_.link.flags.firmwareVersion;
  readInto(ParameterTables::Inps);
  readInto(ParameterTables::Timers);
  bool ok = readInto(ParameterTables::Actu);
  ReadExchange x;
  if (firmware::hasOutputLogic(version)) {
    ok = read(x, 131, 2);
    if (ok) {
      const uint16_t alarm = x.registers[0], power = x.registers[1];
      t.updateChoices([&](ParameterTables::Choices& c) {
        c.alarmRead = alarm;
        c.powerRead = power;
        c.alarmOn = alarm != 0;
        c.direct = power != 0;
      });
    }
  }
  if (firmware::hasMotorVoltage(version)) {
    ok = read(x, 119, 1);
    if (!ok) return false;
    const int type = x.registers[0];
    t.updateChoices([&](ParameterTables::Choices& c) {
      c.motorVoltageType = type;
      c.motorVoltageShown = true;
    });
  }
  return ok;
}

bool TableTransfer::writeMainTableBlocks() {
  bool ok = writeChangedCells(ParameterTables::Inps);
  ok = writeChangedCells(ParameterTables::Timers) && ok;
  ok = writeChangedCells(ParameterTables::Actu) && ok;
  if (firmware::hasOutputLogic(ctx_.link.flags.firmwareVersion)) {
    const ParameterTables::Choices c = ctx_.tables().choices();
    ok = writeRadioChoice(c.alarmRead, 131, c.alarmOn, &ParameterTables::Choices::alarmRead) && ok;
    ok = writeRadioChoice(c.powerRead, 132, c.direct, &ParameterTables::Choices::powerRead) && ok;
  }
  return ok;
}

void TableTransfer::startCountedWrite(int total) {
  ctx_.link.progress.show(kWriting);
  written_ = 0;
  toWrite_ = total;
}

bool TableTransfer::writeMainTables() {
  startCountedWrite(ctx_.tables().unwrittenRows(ParameterTables::Inps) +
                    ctx_.tables().unwrittenRows(ParameterTables::Timers) +
                    ctx_.tables().unwrittenRows(ParameterTables::Actu));
  const bool ok = writeMainTableBlocks();
  finishWrite(ok);
  askToReloadMainTab(ctx_.link);
  return ok;
}

bool TableTransfer::readServiceTables() {
  ParameterTables& t = ctx_.tables();
  const ParameterTables::Firmware fw = t.firmware();
  const int version = ctx_.link.flags.firmwareVersion;
  // Firmware without a gain block of its own has an empty amps table: nothing to read.
  bool ok = t.rowCount(ParameterTables::Amps) == 0 || readInto(ParameterTables::Amps);
  const bool serviceInputs = readInto(ParameterTables::DebInpsParam);
  if (serviceInputs && firmware::hasInputInversion(version, fw.revision)) {
    const auto checks = inversionChecks(
        t.bufferValue(ParameterTables::DebInpsParam, firmware::inversionMaskRow(version)));
    t.updateChoices([&](ParameterTables::Choices& c) { c.inversionChecked = checks; });
  }
  ok = serviceInputs && ok;
  if (firmware::hasAutoReset(version)) ok = readInto(ParameterTables::AutoReset) && ok;
  return ok;
}

bool TableTransfer::writeServiceTables() {
  ParameterTables& t = ctx_.tables();
  const int version = ctx_.link.flags.firmwareVersion;
  startCountedWrite(ctx_.tables().unwrittenRows(ParameterTables::Amps) +
                    ctx_.tables().unwrittenRows(ParameterTables::DebInpsParam) +
                    ctx_.tables().unwrittenRows(ParameterTables::AutoReset));
  bool ok = t.rowCount(ParameterTables::Amps) == 0 || writeChangedCells(ParameterTables::Amps);
  if (firmware::hasInputInversion(version, t.firmware().revision)) {
    // The check list decides the mask, whatever was typed into its row.
    t.setCellText(ParameterTables::DebInpsParam, firmware::inversionMaskRow(version),
                  QString::number(inversionMask(t.choices().inversionChecked)));
    emit t.valuesChanged(ParameterTables::DebInpsParam);
  }
  ok = writeChangedCells(ParameterTables::DebInpsParam) && ok;
  if (firmware::hasAutoReset(version)) ok = writeChangedCells(ParameterTables::AutoReset) && ok;
  finishWrite(ok);
  return ok;
}

void TableTransfer::finishWrite(bool ok) {
  if (ok) ctx_.link.progress.setText(QStringLiteral("УСПЕШНО!!!"));
  ctx_.link.clock.sleep(kPanelPauseMs);
  ctx_.link.progress.hide();
}

bool TableTransfer::writeChangedCells(ParameterTables::Id id) {
  const ParameterTables::Table table = ctx_.tables().table(id);
  const int count = std::min<int>(table.count, table.values.size());
  QVector<int> numbers(count);
  for (int k = 0; k < count; ++k) {
    // A register holds 16 bits: -32768..65535 covers both readings of them; anything beyond
    // would reach the module cut to its low bits.
    if (!parseInteger(table.values[k], &numbers[k]) || numbers[k] < -32768 || numbers[k] > 65535)
      return fail(QStringLiteral("Некорректное значение параметра ") + table.names[k]);
  }
  WriteExchange x;
  for (int k = 0; k < count; ++k) {
    if (numbers[k] == int(table.buffer[k])) continue;  // -1 differs from 65535: it is sent
    const uint16_t value = uint16_t(numbers[k]);
    if (!ctx_.link.client.writeModuleRegister(x, uint16_t(table.start + k), value))
      return fail(x.error);
    // The module holds the value now; a later write back to the old one must be sent.
    ctx_.tables().setBufferValue(id, k, value);
    // Registers beyond the ones counted at the start (the inversion mask set from its check
    // list) stretch the total rather than run past it.
    toWrite_ = std::max(toWrite_, ++written_);
    ctx_.link.progress.setCount(QStringLiteral("%1/%2").arg(written_).arg(toWrite_));
  }
  return true;
}

bool TableTransfer::fail(const QString& text) {
  ctx_.link.prompter.showMessage(kError, text, Prompter::Icon::Error);
  showWriteFailure();
  return false;
}

bool TableTransfer::writeRadioChoice(uint16_t valueRead, uint16_t reg, bool checked,
                                     uint16_t ParameterTables::Choices::*written) {
  const uint16_t state = checked ? 1 : 0;
  if (state == valueRead) return true;
  WriteExchange x;
  if (!ctx_.link.client.writeModuleRegister(x, reg, state)) return fail(x.error);
  if (written)
    ctx_.tables().updateChoices([&](ParameterTables::Choices& c) { c.*written = state; });
  return true;
}

void TableTransfer::showWriteFailure() {
  ::showWriteFailure(ctx_.link.progress, ctx_.link.status, ctx_.link.clock);
}

void TableTransfer::askToReloadMainTab(const LinkContext& link) {
  link.status.setPollTimerActive(false);
  if (link.prompter.confirm(QStringLiteral("ВНИМАНИЕ!"),
                            QStringLiteral("Чтобы загрузить данные из модуля, нажмите OK, чтобы "
                                           "оставить текущие данные в таблицах, нажмите Отмена")))
    link.requests.module[RequestFlags::MainRead] = true;
  if (!link.flags.linkSuspended) link.status.setPollTimerActive(true);
}

uint16_t TableTransfer::inversionMask(
    const std::array<bool, ParameterTables::kInversionItems>& checked) {
  uint16_t mask = 0;
  for (int i = 0; i < ParameterTables::kInversionItems; ++i)
    if (!checked[i]) mask |= uint16_t(1u << i);
  return mask;
}

std::array<bool, ParameterTables::kInversionItems> TableTransfer::inversionChecks(uint16_t mask) {
  std::array<bool, ParameterTables::kInversionItems> checked{};
  for (int i = 0; i < ParameterTables::kInversionItems; ++i) checked[i] = !(mask & (1u << i));
  return checked;
}

QString TableTransfer::motorVoltageName(const SettingsStore& mem, int type) {
  return mem.readString(type == 0 ? parameterkeys::kMotorVoltage24
                                  : parameterkeys::kMotorVoltage220);
}
