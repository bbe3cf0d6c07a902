#pragma once

#include "link/Session.h"
#include "params/ParameterState.h"

// A session with the parameter model on it: the tables and what the status read fetches, and
// the pass's steps and requests of this layer (identification, status read, table reads and
// writes, the motor voltage change, the comparison with a parameter file).
class ParameterSession : public Session {
 public:
  template <typename Line>
  ParameterSession(const QString& directory, Prompter& prompter, Line&& line, Clock& clock)
      : Session(directory, prompter, std::forward<Line>(line), clock) {
    registerSteps();
  }

  ParameterState params;
  const ParameterContext& parameterContext() const { return parameterContext_; }

 private:
  void registerSteps();

  ParameterContext parameterContext_{link(), params};
};
