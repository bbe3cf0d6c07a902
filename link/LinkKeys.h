#pragma once

#include <cstdint>

#include "core/SettingKey.h"

// The keys of mem.ini the link owns: the program's link settings ([connect]) and the program
// settings ([measure] period and type).
namespace linkkeys {

// A Modbus slave address the module can answer from: 0 is the broadcast (no module replies
// to it, and a module given it could no longer be reached), 248 and up are reserved.
inline constexpr SettingKey kPort{"connect", "port", ""};
inline constexpr SettingKey kAddress{"connect", "adr", "100", 1, 247};
inline constexpr SettingKey kSpeed{"connect", "speed", "0", 0, 4};        // 9600 .. 115200
inline constexpr SettingKey kParity{"connect", "parity", "0", 0, 2};      // none, even, odd
inline constexpr SettingKey kStopBits{"connect", "stopbits", "1", 0, 1};  // one, two
// One exchange's timing, in milliseconds: the send, the pause before the reply is read, and
// the wait for it. Negative values count as 0.
inline constexpr SettingKey kSend{"connect", "send", "50"};
inline constexpr SettingKey kSleep{"connect", "sleep", "70"};
inline constexpr SettingKey kReceive{"connect", "receive", "50"};
// "Быстрый обмен": a reply is taken the moment it is complete instead of after the fixed
// pause; 0 keeps the pause and the whole receive wait.
inline constexpr SettingKey kFast{"connect", "fast", "0", 0, 1};
// "Эхо адаптера": the RS-485 adapter hears its own request; those bytes are dropped when they
// come back ahead of the reply.
inline constexpr SettingKey kEcho{"connect", "echo", "0", 0, 1};
// The port's five time-outs. The port takes the read interval as an unsigned time-out, so -1
// would become its "no wait" value.
inline constexpr SettingKey kReadInterval{"connect", "cto1", "10", 0};
inline constexpr SettingKey kReadTotalPerByte{"connect", "cto2", "0"};
inline constexpr SettingKey kReadTotalConstant{"connect", "cto3", "1000"};
inline constexpr SettingKey kWriteTotalPerByte{"connect", "cto4", "100"};
inline constexpr SettingKey kWriteTotalConstant{"connect", "cto5", "1000"};
// The window's poll timer: 0 would wake the window thread without pause, a negative value
// stops the timer.
inline constexpr SettingKey kPollPeriod{"measure", "period", "1000", 1};
// The drive: 0 "Выкатной элемент", 1 "Заземляющий нож"; it decides the input names.
inline constexpr SettingKey kDriveType{"measure", "type", "0", 0, 1};

}  // namespace linkkeys
