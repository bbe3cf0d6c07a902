#include "params/MotorVoltage.h"

#include <mutex>

#include "app/AppCore.h"
#include "link/Prompter.h"

namespace {
const QString kError = QStringLiteral("Ошибка");
}  // namespace

void MotorVoltage::storePassword(AppCore& core, const QString& text) {
  std::lock_guard lock(core.motorPassword.mutex);
  core.motorPassword.text = text;
}

QString MotorVoltage::takePassword(AppCore& core) {
  std::lock_guard lock(core.motorPassword.mutex);
  QString text;
  text.swap(core.motorPassword.text);
  return text;
}

bool MotorVoltage::writeMotorVoltage(uint16_t password, int currentType, QString* error) {
  const uint16_t values[2] = {password, otherType(currentType)};
  WriteExchange x;
  for (int attempt = 0; attempt < ModbusRtuClient::kAttempts; ++attempt)
    if (core_.client().writeModuleRegisters(x, kPasswordRegister, values, 2)) return true;
  if (error) *error = x.error;
  return false;
}

bool MotorVoltage::changeMotorVoltage() {
  Prompter& prompter = core_.prompter;
  int password = 0;
  if (!SettingsStore::parseInteger(takePassword(core_), &password)) {
    prompter.showMessage(kError, QStringLiteral("Некорректное значение пароля"),
                         Prompter::Icon::Error);
    return false;
  }
  // Only the low 16 bits travel: a negative number goes as its two's complement.
  QString error;
  if (!writeMotorVoltage(uint16_t(password), core_.tables.choices().motorVoltageType, &error)) {
    prompter.showMessage(kError, error, Prompter::Icon::Error);
    return false;
  }
  ReadExchange x;
  const bool accepted =
      core_.client().readModuleRegisters(x, kResultRegister, 1) && x.registers[0] == 1;
  if (accepted)
    prompter.showMessage(QStringLiteral("ОК"), QStringLiteral("Напряжение мотора успешно изменено"),
                         Prompter::Icon::Information);
  else
    prompter.showMessage(kError, QStringLiteral("Неверный пароль при смене напряжения мотора"),
                         Prompter::Icon::Error);
  // The motor voltage shown on the main tab follows from the next read of the tables.
  core_.requests.module[RequestFlags::MainRead] = true;
  return accepted;
}
