#include "link/LineTiming.h"

namespace linetime {
namespace {

constexpr int32_t kSlowestBaud = 9600;

int32_t baudOf(const LineSettings& line) {
  return line.baudRate && *line.baudRate > 0 ? *line.baudRate : kSlowestBaud;
}

}  // namespace

int bitsPerCharacter(const LineSettings& line) {
  const int parity = line.parity && *line.parity == Parity::None ? 0 : 1;
  return 1 + 8 + parity + (line.twoStopBits ? 2 : 1);
}

uint32_t characterMicros(const LineSettings& line) {
  return uint32_t((uint64_t(bitsPerCharacter(line)) * 1'000'000 + uint64_t(baudOf(line)) - 1) /
                  uint64_t(baudOf(line)));
}

uint32_t bytesMs(int bytes, const LineSettings& line) {
  if (bytes <= 0) return 0;
  return uint32_t((uint64_t(bytes) * characterMicros(line) + 999) / 1000);
}

uint32_t frameGapMicros(const LineSettings& line) {
  if (baudOf(line) > 19200) return 1750;
  return uint32_t((uint64_t(characterMicros(line)) * 7 + 1) / 2);
}

}  // namespace linetime
