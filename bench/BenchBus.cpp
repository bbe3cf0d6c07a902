#include "bench/BenchBus.h"

#include <algorithm>

#include "bench/BenchKeys.h"
#include "bench/BenchOutputs.h"
#include "bench/BenchRegisters.h"
#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "params/ModuleRegisters.h"

namespace {
// The longest stretch a wait sleeps without looking whether the program closes.
constexpr uint32_t kWaitSliceMs = 250;
}  // namespace

uint8_t BenchBus::r16Address() const {
  return uint8_t(ctx_.tp.readInteger(benchkeys::kR16Address));
}

uint8_t BenchBus::d8r4Address() const {
  return uint8_t(ctx_.tp.readInteger(benchkeys::kD8r4Address));
}

bool BenchBus::writeR16(uint16_t word) const {
  return writeBenchOutputs(ctx_.link().client, r16Address(), word);
}

bool BenchBus::writeD8r4(uint16_t word) const {
  return writeBenchOutputs(ctx_.link().client, d8r4Address(), word);
}

bool BenchBus::readBenchInputs(uint16_t* word) const {
  ReadExchange x;
  if (!ctx_.link().client.readRegistersAt(x, d8r4Address(), benchmap::Inputs, 1)) return false;
  *word = x.registers[0];
  return true;
}

bool BenchBus::readModule(uint16_t reg, uint16_t* value) const {
  ReadExchange x;
  if (!ctx_.link().client.readModuleRegisters(x, reg, 1)) return false;
  *value = x.registers[0];
  return true;
}

void BenchBus::wait(uint32_t ms) const {
  Clock& clock = ctx_.link().clock;
  const uint32_t start = clock.tick();
  for (;;) {
    const uint32_t elapsed = clock.tick() - start;
    if (elapsed >= ms || ctx_.link().flags.workerStopRequest) return;
    clock.sleep(std::min(ms - elapsed, kWaitSliceMs));
  }
}

void BenchBus::waitUnlessStopped(uint32_t ms) const {
  Clock& clock = ctx_.link().clock;
  const uint32_t start = clock.tick();
  for (;;) {
    const uint32_t elapsed = clock.tick() - start;
    if (elapsed >= ms || stopped()) return;
    clock.sleep(std::min(ms - elapsed, kWaitSliceMs));
  }
}

bool BenchBus::stopped() const {
  const LinkFlags& f = ctx_.link().flags;
  return !f.testRunning || f.workerStopRequest;
}

int BenchBus::firmwareVersion() const { return ctx_.link().flags.firmwareVersion; }

int BenchBus::variant() const {
  const int map = ctx_.operation.state.inputMap;
  return map < 0 ? 0 : map + 1;
}

uint16_t BenchBus::alarmRelayLogic() const { return ctx_.params().tables().choices().alarmRead; }

bool BenchBus::isAlarm(uint16_t flag) const {
  return (flag ^ (alarmRelayLogic() == 0 ? 1 : 0)) != 0;
}

uint16_t BenchBus::currentRegister() const { return modulemap::motorCurrent(firmwareVersion()); }
