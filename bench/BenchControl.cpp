#include "bench/BenchControl.h"

#include "bench/BenchBus.h"
#include "bench/BenchKeys.h"
#include "core/Prompter.h"
#include "core/SettingsStore.h"
#include "link/LinkFlags.h"
#include "link/RequestFlags.h"
#include "params/ModuleRegisters.h"
#include "params/MotorVoltage.h"

namespace benchcontrol {

namespace {
constexpr uint16_t kMotorVoltageType = modulemap::MotorVoltageType;
// "24В" and "220В" press the inputs i2 and i4.
constexpr uint16_t kSupplyInputs = (1u << 1) | (1u << 3);
}  // namespace

int supplyBit(const BenchContext& ctx, bool v220) {
  return ctx.tp.readInteger(v220 ? benchkeys::kMotorBit220 : benchkeys::kMotorBit24);
}

void resetBench(const BenchContext& ctx) {
  ctx.state.testTabButtons.set(0, 0);
  const BenchBus bus(ctx);
  bus.writeR16(0);
  bus.writeD8r4(0);
}

bool ensureMotorVoltageType(const BenchContext& ctx, int type, int* lastRead) {
  const BenchBus bus(ctx);
  if (bus.firmwareVersion() < 200) return true;
  uint16_t value = 0;
  const auto read = [&] {
    if (!bus.readModule(kMotorVoltageType, &value)) return false;
    if (lastRead) *lastRead = value;
    return true;
  };
  if (!read()) return false;
  if (value == type) return true;
  if (!MotorVoltage(ctx.params()).writeMotorVoltage(kTestPassword, value, nullptr)) return false;
  return read() && value == type;
}

void selectBenchVoltage(const BenchContext& ctx, int voltage) {
  if (!ensureMotorVoltageType(ctx, voltage))
    ctx.link().prompter.showMessage(QStringLiteral("Ошибка"),
                                    QStringLiteral("Сбой установки напряжения мотора"),
                                    Prompter::Icon::Error);
  const BenchBus bus(ctx);
  const int bit = supplyBit(ctx, voltage != 0);
  const uint8_t relays = bit >= 0 && bit < BenchButtons::kRelays ? uint8_t(1u << bit) : 0;
  ctx.state.testTabButtons.set(kSupplyInputs, relays);
  RequestFlags& r = ctx.link().requests;
  r.r16OutputWord = BenchButtons::r16Word(kSupplyInputs, ctx.tp, bus.variant());
  r.r16Output = true;
  r.d8r4OutputWord = BenchButtons::d8r4Word(relays);
  r.d8r4Output = true;
}

void serveVoltageRequests(const BenchContext& ctx) {
  RequestFlags& r = ctx.link().requests;
  if (r.bench24V.exchange(false)) selectBenchVoltage(ctx, 0);
  if (r.bench220V.exchange(false)) selectBenchVoltage(ctx, 1);
}

void serveResetRequest(const BenchContext& ctx) {
  if (ctx.link().requests.benchReset.exchange(false)) resetBench(ctx);
}

}  // namespace benchcontrol
