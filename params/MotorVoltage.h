#pragma once

#include <QString>
#include <cstdint>

#include "params/ParameterState.h"

// Switches the module's motor between 24 V and 220 V. The tool does not judge the password:
// it sends it with the new type, and the module reports in register 269 whether it took it.
class MotorVoltage {
 public:
  explicit MotorVoltage(const ParameterContext& ctx) : ctx_(ctx) {}

  static constexpr uint16_t kPasswordRegister = 118;  // the type follows in 119
  static constexpr uint16_t kResultRegister = 269;

  // Worker, in a poll pass with the module online: takes the password the dialog left in the
  // state, sends it with the other type, and tells the user the module's verdict. True when the
  // module accepted the change.
  bool changeMotorVoltage();

  // Writes the password and the type other than `currentType` (0 becomes 1, anything else 0)
  // to registers 118 and 119 in one frame, up to five attempts. On failure `error`, when given,
  // holds the text of the last attempt.
  bool writeMotorVoltage(uint16_t password, int currentType, QString* error);

  static uint16_t otherType(int currentType) { return currentType == 0 ? 1 : 0; }

 private:
  ParameterContext ctx_;
};
