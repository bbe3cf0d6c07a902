#include "operation/OperationSession.h"

#include "operation/Commands.h"
#include "operation/Cycles.h"
#include "operation/EventLog.h"
#include "operation/ModuleClock.h"

void OperationSession::registerSteps() {
  using R = RequestFlags;
  const OperationContext& o = operationContext_;
  PollCycle::Steps& steps = cycle().steps();
  steps.sample = [o] { sampleDiagram(o); };
  steps.passStart = [o] {
    if (o.state.clock.updateFromPc) ModuleClock(o).fillClockFromPc();
  };
  // The control block comes first, whatever its outcome; the clock registers are shown when
  // the page was shown throughout the read.
  steps.readStatus = [o, readTables = steps.readStatus] {
    o.state.control.readControlState(o.link());
    ParameterState& params = o.params.state;
    const bool logPage = params.activePage == ParameterState::Page::LogTime;
    if (!readTables || !readTables()) return false;
    if (logPage && params.activePage == ParameterState::Page::LogTime)
      ModuleClock(o).showModuleClock(params.moduleClockSeconds);
    return true;
  };
  steps.passEnd = [o](bool portOpen) { Cycles(o).cyclesStep(portOpen); };

  PollCycle& c = cycle();
  c.setOperation(R::Push, [o] { return sendCommand(o, command::kPush, command::kPush); });
  c.setOperation(R::Pull, [o] { return sendCommand(o, command::kPull, command::kPull); });
  c.setOperation(R::ResetCommand, [o] { return sendCommand(o, command::kReset, command::kReset); });
  c.setOperation(R::InputMap, [o] { return readInputMap(o); });
  c.setOperation(R::LogTab, [o] { return EventLog(o).showLogState(); });
  c.setOperation(R::SetClock, [o] { return ModuleClock(o).writeModuleClock(); });
  c.setOperation(R::ClearLog, [o] {
    EventLog(o).clearLogTable();
    return true;  // the program's own table: it cannot fail
  });
  c.setOperation(R::ReadLog, [o] { return EventLog(o).readLogRecords(); });
}
