#pragma once

#include "bench/BenchState.h"
#include "operation/OperationContext.h"

class Prompter;
class SettingsStore;

// What the bench's operations work with: the operation layer below (link, parameter model,
// commands, diagram), the bench's own state and tp.ini. The test's closing messages (the stop
// routine's and the final verdict) go to `verdicts`: boxes in the window, lines of tarvix-cli.
struct BenchContext {
  OperationContext operation;
  BenchState& state;
  SettingsStore& tp;
  Prompter& verdicts;
  const LinkContext& link() const { return operation.link(); }
  const ParameterContext& params() const { return operation.params; }
};
