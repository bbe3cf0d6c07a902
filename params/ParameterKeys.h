#pragma once

#include "core/SettingKey.h"

// The keys of mem.ini the parameter model owns. The name sections of the tables (n1, n2, ...)
// are data, read by their row; these are the keys of one meaning each.
namespace parameterkeys {

// The debug value each diagram samples, by the text of its row in the debug table.
inline constexpr SettingKey kDiagramValue{"measure", "diag", ""};
inline constexpr SettingKey kTestDiagramValue{"measure", "diag_test", ""};
// The names of the motor voltage types 0 and 1.
inline constexpr SettingKey kMotorVoltage24{"motor", "n1", "24V"};
inline constexpr SettingKey kMotorVoltage220{"motor", "n2", "220V"};

}  // namespace parameterkeys
