#pragma once

#include "core/SettingKey.h"

// The keys of tp.ini of one meaning each that the bench owns; the test settings' edits and the
// steps' switches have tables of their own (TestSettings, TestRunner), the wiring sections are
// data read by their row.
namespace benchkeys {

inline constexpr SettingKey kR16Address{"connect", "r16_addr", "16", 1, 247};
inline constexpr SettingKey kD8r4Address{"connect", "d8r4_addr", "17", 1, 247};
// The current windows shown in their dialog: 0 the fine ones, 1 the coarse ones.
inline constexpr SettingKey kCurrentWindowProfile{"connect", "cur_prof", "0", 0, 1};
// Bits of the D8R4 output word: the motor supply at 220 V and at 24 V, the overload load, the
// short circuit.
inline constexpr SettingKey kMotorBit220{"motion", "bit_220", "0", 0, 15};
inline constexpr SettingKey kMotorBit24{"motion", "bit_24", "1", 0, 15};
inline constexpr SettingKey kOverloadBit{"overload", "start_bit", "2", 0, 15};
inline constexpr SettingKey kShortBit{"short", "start_bit", "3", 0, 15};
// Milliseconds the drive takes to reach its start position before a motor run.
inline constexpr SettingKey kAlign{"motion", "align", "90"};

}  // namespace benchkeys
