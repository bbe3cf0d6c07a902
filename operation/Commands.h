#pragma once

#include <cstdint>

struct OperationContext;

// The module's commands: writing 1 to register 8 starts a push, 9 a pull, 10 a reset; each
// register reads non-zero while its command is executing.
namespace command {
constexpr uint16_t kPush = 8;
constexpr uint16_t kPull = 9;
constexpr uint16_t kReset = 10;
}  // namespace command

// Worker: sends a command unless the module already executes it (its busy register, as last
// read in the control block, is non-zero; that counts as success). Up to five attempts; when
// all fail the last error text is shown in a box titled "Ошибка" and the result is false.
bool sendCommand(const OperationContext& ctx, uint16_t busyRegister, uint16_t commandRegister);

// Worker, serving the input-map request: reads register 76 from firmware 200 on. The result
// (-1 when absent) stands in the state for the feedback inputs and the bench wiring.
bool readInputMap(const OperationContext& ctx);

// The end-position inputs that tell a push and a pull have finished: registers 23 and 24 with
// input map 1, else 27 and 26. Rows of the digital-input table (register - 16).
struct FeedbackInputs {
  int pushRow;
  int pullRow;
};
FeedbackInputs selectFeedbackInputs(int inputMap);
