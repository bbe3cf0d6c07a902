#include "params/MotorVoltage.h"

#include <mutex>

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "link/RequestFlags.h"

namespace {
const QString kError = QStringLiteral("Ошибка");
}  // namespace

bool MotorVoltage::writeMotorVoltage(uint16_t password, int currentType, QString* error) {
  const uint16_t values[2] = {password, otherType(currentType)};
  WriteExchange x;
  if (ModbusRtuClient::withRetries(
          [&] { return ctx_.link.client.writeModuleRegisters(x, kPasswordRegister, values, 2); }))
    return true;
  if (error) *error = x.error;
  return false;
}

bool MotorVoltage::changeMotorVoltage() {
  Prompter& prompter = ctx_.link.prompter;
  int password = 0;
  if (!parseInteger(ctx_.state.takeMotorPassword(), &password)) {
    prompter.showMessage(kError, QStringLiteral("Некорректное значение пароля"),
                         Prompter::Icon::Error);
    return false;
  }
  // Only the low 16 bits travel: a negative number goes as its two's complement.
  QString error;
  if (!writeMotorVoltage(uint16_t(password), ctx_.tables().choices().motorVoltageType, &error)) {
    ctx_.link.journal.append(QStringLiteral("Смена напряжения мотора: не отправлена: ") + error);
    prompter.showMessage(kError, error, Prompter::Icon::Error);
    return false;
  }
  ReadExchange x;
  const bool accepted =
      ctx_.link.client.readModuleRegisters(x, kResultRegister, 1) && x.registers[0] == 1;
  ctx_.link.journal.append(accepted ? QStringLiteral("Смена напряжения мотора: принята модулем")
                                    : QStringLiteral("Смена напряжения мотора: отклонена модулем"));
  if (accepted)
    prompter.showMessage(QStringLiteral("ОК"), QStringLiteral("Напряжение мотора успешно изменено"),
                         Prompter::Icon::Information);
  else
    prompter.showMessage(kError, QStringLiteral("Неверный пароль при смене напряжения мотора"),
                         Prompter::Icon::Error);
  // The motor voltage shown on the main tab follows from the next read of the tables.
  ctx_.link.requests.module[RequestFlags::MainRead] = true;
  return accepted;
}
