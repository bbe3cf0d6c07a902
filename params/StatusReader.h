#pragma once

#include "params/ParameterState.h"

// The status read of every poll pass (after the control block, which the operation layer
// reads): inputs, outputs and the block of the visible page; and the blanking of all value
// columns when the link is lost.
class StatusReader {
 public:
  explicit StatusReader(const ParameterContext& ctx) : ctx_(ctx) {}
  bool readStatus();
  void clearStatusTables();

 private:
  ParameterContext ctx_;
};
