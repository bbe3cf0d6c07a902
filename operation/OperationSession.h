#pragma once

#include "operation/OperationContext.h"
#include "operation/OperationState.h"
#include "params/ParameterSession.h"

// A session with the operation layer on it: the control block and its commands, the endurance
// cycles, the diagram, the event log and the module clock, with their steps in the pass (the
// control block read ahead of the status read, the diagram sample, the cycles at its end) and
// their requests.
class OperationSession : public ParameterSession {
 public:
  template <typename Line>
  OperationSession(const QString& directory, Prompter& prompter, Line&& line, Clock& clock)
      : ParameterSession(directory, prompter, std::forward<Line>(line), clock) {
    registerSteps();
  }

  OperationState operation;
  const OperationContext& operationContext() const { return operationContext_; }

 private:
  void registerSteps();

  OperationContext operationContext_{parameterContext(), operation};
};
