#pragma once

#include <cstdint>

#include "params/ModuleRegisters.h"

struct OperationContext;

// The module's commands: writing 1 to its register starts a push, a pull or a reset; each
// register reads non-zero while its command is executing.
namespace command {
constexpr uint16_t kPush = modulemap::PushCommand;
constexpr uint16_t kPull = modulemap::PullCommand;
constexpr uint16_t kReset = modulemap::ResetCommand;
}  // namespace command

// Worker: sends a command unless the module already executes it (its busy register, as last
// read in the control block, is non-zero; that counts as success). Up to five attempts; when
// all fail the last error text is shown in a box titled "Ошибка" and the result is false.
bool sendCommand(const OperationContext& ctx, uint16_t busyRegister, uint16_t commandRegister);

// Worker, serving the input-map request: reads InputMap from firmware 200 on. The result
// (-1 when absent) stands in the state for the feedback inputs and the bench wiring.
bool readInputMap(const OperationContext& ctx);

// The end-position inputs that tell a push and a pull have finished, as the input map places
// them (modulemap::kPushEnd ...). Rows of the digital-input table.
struct FeedbackInputs {
  int pushRow;
  int pullRow;
};
FeedbackInputs selectFeedbackInputs(int inputMap);
