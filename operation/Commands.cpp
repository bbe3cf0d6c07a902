#include "operation/Commands.h"

#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "operation/OperationContext.h"

namespace {

QString commandName(uint16_t reg) {
  switch (reg) {
    case command::kPush:
      return QStringLiteral("«Вкатить/Включить»");
    case command::kPull:
      return QStringLiteral("«Выкатить/Отключить»");
    case command::kReset:
      return QStringLiteral("«Сброс»");
  }
  return QStringLiteral("в регистр %1").arg(reg);
}

}  // namespace

bool sendCommand(const OperationContext& ctx, uint16_t busyRegister, uint16_t commandRegister) {
  SessionJournal& journal = ctx.link().journal;
  const QString name = QStringLiteral("Команда ") + commandName(commandRegister);
  const auto block = ctx.state.control.block();
  const int busy = busyRegister - command::kPush;
  if (busy >= 0 && busy < int(block.size()) && block[size_t(busy)] != 0) {
    journal.append(name + QStringLiteral(": уже выполняется"));
    return true;
  }
  WriteExchange x;
  ModbusRtuClient& client = ctx.link().client;
  if (ModbusRtuClient::withRetries(
          [&] { return client.writeModuleRegister(x, commandRegister, 1); })) {
    journal.append(name + QStringLiteral(": отправлена"));
    return true;
  }
  journal.append(name + QStringLiteral(": не отправлена: ") + x.error);
  ctx.link().prompter.showMessage(QStringLiteral("Ошибка"), x.error, Prompter::Icon::Error);
  return false;
}

bool readInputMap(const OperationContext& ctx) {
  ctx.state.inputMap = -1;
  if (ctx.link().flags.firmwareVersion < 200) return true;
  ReadExchange x;
  if (!ctx.link().client.readModuleRegisters(x, modulemap::InputMap, 1)) return false;
  ctx.state.inputMap = x.registers[0];
  return true;
}

FeedbackInputs selectFeedbackInputs(int inputMap) {
  using namespace modulemap;
  return inputMap == 1 ? FeedbackInputs{kPushEndMap1 - DigitalInputs, kPullEndMap1 - DigitalInputs}
                       : FeedbackInputs{kPushEnd - DigitalInputs, kPullEnd - DigitalInputs};
}
