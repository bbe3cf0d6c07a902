#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/SettingsStore.h"
#include "link/PollCycle.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"

// A session of one layer (ParameterSession, OperationSession, BenchSession, or the whole
// window's AppContext) on the simulated bus, on virtual time, with a mem.ini in a temporary
// directory: a layer's tests need nothing above it. `online()` runs passes until the
// simulated module is identified and polled.
template <typename Core>
struct SimSession {
  // `prepare` may fill mem.ini before the core reads it.
  explicit SimSession(const std::function<void(SettingsStore&)>& prepare = {}) {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", "COM1");
    if (prepare) prepare(mem);
    mem.flush();
    auto owned = std::make_unique<MemoryLine>(bus, clock);
    line = owned.get();
    core = std::make_unique<Core>(dir.path(), prompter, std::move(owned), clock);
    cycle = &core->cycle();
  }

  // One pass; true when the module is online afterwards.
  bool online() {
    cycle->pollPass();
    return core->flags.moduleOnline;
  }
  QString linkText() const { return core->status.text(StatusLine::Link); }

  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  RecordingPrompter prompter;
  MemoryLine* line = nullptr;
  std::unique_ptr<Core> core;
  PollCycle* cycle = nullptr;  // the core's own pass, as the worker runs it
};
