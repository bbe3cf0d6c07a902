#include "operation/Commands.h"

#include "core/Prompter.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "operation/OperationContext.h"

bool sendCommand(const OperationContext& ctx, uint16_t busyRegister, uint16_t commandRegister) {
  const auto block = ctx.state.control.block();
  const int busy = busyRegister - command::kPush;
  if (busy >= 0 && busy < int(block.size()) && block[size_t(busy)] != 0) return true;
  WriteExchange x;
  ModbusRtuClient& client = ctx.link().client;
  if (ModbusRtuClient::withRetries(
          [&] { return client.writeModuleRegister(x, commandRegister, 1); }))
    return true;
  ctx.link().prompter.showMessage(QStringLiteral("Ошибка"), x.error, Prompter::Icon::Error);
  return false;
}

bool readInputMap(const OperationContext& ctx) {
  ctx.state.inputMap = -1;
  if (ctx.link().flags.firmwareVersion < 200) return true;
  ReadExchange x;
  if (!ctx.link().client.readModuleRegisters(x, 76, 1)) return false;
  ctx.state.inputMap = x.registers[0];
  return true;
}

FeedbackInputs selectFeedbackInputs(int inputMap) {
  return inputMap == 1 ? FeedbackInputs{23 - 16, 24 - 16} : FeedbackInputs{27 - 16, 26 - 16};
}
