#pragma once

#include "core/SettingKey.h"

// The keys of mem.ini the operation layer owns: the endurance cycles and the diagram.
namespace operationkeys {

inline constexpr SettingKey kCyclesNumber{"cycles", "number", "100", 1};
inline constexpr SettingKey kCyclesPause{"cycles", "pause", "120", 1};  // seconds
inline constexpr SettingKey kNoFeedback{"cycles", "no_feedback", "0", 0, 1};
// "Время операции, с" without end-position inputs: kept as typed, whole seconds from 1.
inline constexpr SettingKey kNoFeedbackTime{"cycles", "no_fb_time", "10", 1};
// Milliseconds after a motion command before its end-position input counts.
inline constexpr SettingKey kMotionTimeout{"cycles", "timeout_motion", "1000"};
// "Очищать вручную" of the diagram.
inline constexpr SettingKey kClearDiagramManually{"measure", "reset_diag", "0", 0, 1};

}  // namespace operationkeys
