#include "operation/Diagram.h"

#include <cmath>

#include "core/Clock.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "operation/OperationContext.h"
#include "params/ModuleRegisters.h"

void DiagramState::clear(Plot plot) {
  {
    std::lock_guard lock(mutex_);
    Series& s = series_[plot];
    s.x.clear();
    s.y.clear();
    s.axisMax = 1;
    ++s.generation;
  }
  emit changed(plot);
}

void DiagramState::add(Plot plot, double x, double y) {
  {
    std::lock_guard lock(mutex_);
    Series& s = series_[plot];
    s.x.append(x);
    s.y.append(y);
    s.axisMax = std::ceil(x) + 1;
  }
  emit changed(plot);
}

DiagramState::Points DiagramState::pointsSince(Plot plot, int from) const {
  std::lock_guard lock(mutex_);
  const Series& s = series_[plot];
  Points p;
  p.total = int(s.x.size());
  p.axisMax = s.axisMax;
  p.generation = s.generation;
  if (from < p.total) {
    p.x = s.x.mid(from);
    p.y = s.y.mid(from);
  }
  return p;
}

void sampleDiagram(const OperationContext& ctx) {
  DiagramState& d = ctx.state.diagram;
  Clock& clock = ctx.link().clock;
  // The control state of the previous pass: this pass reads it after the sample.
  const uint8_t state =
      ctx.link().flags.moduleOnline ? uint8_t(ctx.state.control.block()[3]) : uint8_t(0);
  if (state == 1 && d.previousControlState != 1) {
    d.recording = true;
    if (!d.clearManually) d.clear(DiagramState::Main);
    d.startTick = clock.tick();
  }
  if (state != 1) d.recording = false;
  // While drawing a motion the status read skips the outputs, for faster samples.
  ctx.params.state.outputsPaused = d.recording && d.drawing;
  if (d.recording) {
    ReadExchange x;
    const uint16_t reg = uint16_t(modulemap::Debug + ctx.params.state.diagramValueIndex);
    if (ctx.link().client.readModuleRegisters(x, reg, 1)) {
      d.lastValue = x.registers[0];
      if (d.drawing) {
        const double seconds = (clock.tick() - d.startTick) / 1000.0;
        d.add(DiagramState::Main, seconds, x.registers[0]);
      } else {
        emit d.changed(DiagramState::Main);  // the value alone
      }
    }
  }
  d.previousControlState = state;
}

void addTestDiagramPoint(const OperationContext& ctx, uint16_t value) {
  DiagramState& d = ctx.state.diagram;
  const double seconds = (ctx.link().clock.tick() - d.testTimeBase) / 1000.0;
  d.add(DiagramState::Test, seconds, value);
}
