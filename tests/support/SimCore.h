#pragma once

#include <QTemporaryDir>
#include <memory>

#include "app/AppContext.h"
#include "link/PollCycle.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"

// The program's core on the simulated bus, on virtual time, with a mem.ini in a temporary
// directory. `online()` runs passes until the simulated module is identified and polled.
struct SimCore {
  // `prepare` may fill mem.ini before the core reads it.
  explicit SimCore(const std::function<void(SettingsStore&)>& prepare = {}) {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", "COM1");
    if (prepare) prepare(mem);
    mem.flush();
    auto owned = std::make_unique<MemoryLine>(bus, clock);
    line = owned.get();
    core = std::make_unique<AppContext>(dir.path(), prompter, std::move(owned), clock);
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
  std::unique_ptr<AppContext> core;
  PollCycle* cycle = nullptr;  // the core's own pass, as the worker runs it
};
