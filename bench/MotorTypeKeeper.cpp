#include "bench/MotorTypeKeeper.h"

#include "bench/BenchBus.h"
#include "bench/BenchControl.h"
#include "params/ModuleRegisters.h"
#include "params/TableTransfer.h"

namespace {
constexpr uint16_t kMotorVoltageType = modulemap::MotorVoltageType;
}  // namespace

void MotorTypeKeeper::forget() { ctx_.state.motorType = MotorTypeSaved(); }

void MotorTypeKeeper::noteFound(int type) {
  MotorTypeSaved& saved = ctx_.state.motorType;
  // A run started again (R16 silent at its start) keeps what its first attempt found.
  if (saved.found >= 0) return;
  saved.found = saved.held = type;
}

bool MotorTypeKeeper::select(int type) {
  MotorTypeSaved& saved = ctx_.state.motorType;
  const BenchBus bus(ctx_);
  if (bus.firmwareVersion() < 200) return true;
  if (saved.found < 0) {
    // The start of the run could not read it: it is read before the first change.
    uint16_t value = 0;
    if (!bus.readModule(kMotorVoltageType, &value)) return false;
    saved.found = saved.held = value;
  }
  if (type != saved.found) saved.changed = true;
  const bool ok = benchcontrol::ensureMotorVoltageType(ctx_, type);
  saved.held = ok ? type : -1;
  return ok;
}

bool MotorTypeKeeper::restore() {
  MotorTypeSaved& saved = ctx_.state.motorType;
  if (!saved.changed) return true;
  int read = -1;
  if (benchcontrol::ensureMotorVoltageType(ctx_, saved.found, &read)) {
    saved.changed = false;
    saved.held = saved.found;
    return true;
  }
  saved.held = read;
  ctx_.state.grid.addTestResult(QStringLiteral("Ошибка восстановления напряжения мотора"),
                                ResultGrid::Result::Failed);
  return false;
}

QString MotorTypeKeeper::notRestoredText() const {
  return QStringLiteral("Напряжение мотора модуля не восстановлено (до испытания %1)")
      .arg(name(ctx_.state.motorType.found));
}

QString MotorTypeKeeper::name(int type) const {
  return TableTransfer::motorVoltageName(ctx_.link().mem, type);
}

QString MotorTypeKeeper::foundName() const {
  const MotorTypeSaved& saved = ctx_.state.motorType;
  return saved.found < 0 ? QString() : name(saved.found);
}

QString MotorTypeKeeper::leftName() const {
  const MotorTypeSaved& saved = ctx_.state.motorType;
  if (saved.found < 0) return QString();
  return saved.held < 0 ? QStringLiteral("неизвестно") : name(saved.held);
}
