#pragma once

#include "operation/OperationState.h"
#include "params/ParameterState.h"

// What the operation layer's operations work with: the link, the parameter model below, and
// the layer's own state.
struct OperationContext {
  ParameterContext params;
  OperationState& state;
  const LinkContext& link() const { return params.link; }
};
