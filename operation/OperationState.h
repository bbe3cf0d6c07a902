#pragma once

#include "operation/ControlState.h"

// What the operation layer keeps for the whole run.
struct OperationState {
  ControlState control;
};
