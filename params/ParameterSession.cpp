#include "params/ParameterSession.h"

#include "params/Identification.h"
#include "params/MotorVoltage.h"
#include "params/ParameterComparison.h"
#include "params/StatusReader.h"
#include "params/TableTransfer.h"

void ParameterSession::registerSteps() {
  using R = RequestFlags;
  const ParameterContext& p = parameterContext_;
  PollCycle::Steps& steps = cycle().steps();
  steps.identify = [p] { return Identification(p).identify(); };
  steps.readStatus = [p] { return StatusReader(p).readStatus(); };
  steps.clearStatus = [p] { StatusReader(p).clearStatusTables(); };
  PollCycle& c = cycle();
  c.setOperation(R::MainRead, [p] { return TableTransfer(p).readMainTables(); });
  c.setOperation(R::ServiceRead, [p] { return TableTransfer(p).readServiceTables(); });
  c.setOperation(R::MainWrite, [p] { return TableTransfer(p).writeMainTables(); });
  c.setOperation(R::ServiceWrite, [p] { return TableTransfer(p).writeServiceTables(); });
  c.setOperation(R::MotorVoltage, [p] { return MotorVoltage(p).changeMotorVoltage(); });
  c.setOperation(R::CompareWithFile, [p] { return ParameterComparison(p).serveComparison(); });
  c.setOperation(R::WriteDifferences, [p] { return ParameterComparison(p).serveWrite(); });
}
