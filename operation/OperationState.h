#pragma once

#include <atomic>

#include "operation/ControlState.h"
#include "operation/CyclesState.h"
#include "operation/Diagram.h"

// What the operation layer keeps for the whole run.
struct OperationState {
  ControlState control;
  DiagramState diagram;
  CyclesState cycles;
  // The module's input map (register 76) as last read for the control and test tabs; -1 when
  // it could not be read or the firmware (below 200) has none.
  std::atomic_int inputMap{-1};
};
