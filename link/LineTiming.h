#pragma once

#include <cstdint>

#include "link/SerialLine.h"

// How long bytes take on a serial line. A character is a start bit, 8 data bits, the parity bit
// when there is one and the stop bits: 11 bits with the program's default of no parity and two
// stop bits. What the port was not told (its rate, its parity) counts as the slowest case: 9600
// baud, a parity bit.
namespace linetime {

int bitsPerCharacter(const LineSettings& line);
uint32_t characterMicros(const LineSettings& line);
// `bytes` characters back to back, rounded up to whole milliseconds.
uint32_t bytesMs(int bytes, const LineSettings& line);
// The silence that ends a Modbus RTU frame: 3.5 characters, and 1.75 ms at any rate above
// 19200 baud.
uint32_t frameGapMicros(const LineSettings& line);

}  // namespace linetime
