#include "link/ReplyReader.h"

#include <algorithm>
#include <cstring>

#include "core/Clock.h"
#include "link/RtuFrame.h"
#include "link/SerialLine.h"

namespace {

// Room for an echoed request ahead of the longest reply.
constexpr int kRoom = 2 * rtu::kMaxFrame + 8;

}  // namespace

int ReplyReader::stripEcho(const Request& request, uint8_t* bytes, int& got, bool& decided) const {
  if (decided) return 0;
  const int compared = std::min(got, request.length);
  if (!std::equal(bytes, bytes + compared, request.bytes)) {
    decided = true;  // not an echo: these bytes are the reply's
    return 0;
  }
  if (got < request.length) return request.length - got;
  std::memmove(bytes, bytes + request.length, size_t(got - request.length));
  got -= request.length;
  decided = true;
  return 0;
}

ReplyReader::Result ReplyReader::afterPause(const Request& request, uint8_t* reply, int capacity,
                                            uint32_t waitMs) {
  Result result;
  if (!request.echoed) {
    result.arrived = line_.read(reply, capacity, waitMs, &result.received) == IoResult::Completed;
    return result;
  }
  uint8_t bytes[kRoom];
  const int room = std::min(kRoom, request.length + capacity);
  const uint32_t start = clock_.tick();
  int got = 0;
  bool decided = false;
  for (;;) {
    int n = 0;
    const uint32_t elapsed = clock_.tick() - start;
    const uint32_t left = elapsed >= waitMs ? 0 : waitMs - elapsed;
    if (line_.read(bytes + got, room - got, left, &n) != IoResult::Completed) return result;
    got += n;
    stripEcho(request, bytes, got, decided);
    // The echo alone came within this read: the reply may still be on its way.
    if (got > 0 || n == 0 || clock_.tick() - start >= waitMs) break;
  }
  result.arrived = true;
  result.received = std::min(got, capacity);
  std::copy_n(bytes, result.received, reply);
  return result;
}

ReplyReader::Result ReplyReader::fast(const Request& request, uint8_t* reply, int capacity,
                                      uint32_t waitMs, uint32_t characterTimeoutMs) {
  uint8_t bytes[kRoom];
  const uint32_t start = clock_.tick();
  int got = 0;
  bool decided = !request.echoed;
  Result result;
  for (;;) {
    const int echoLeft = stripEcho(request, bytes, got, decided);
    const int need = std::min(
        kRoom, echoLeft > 0 ? got + echoLeft : rtu::replyLength(request.bytes, bytes, got));
    if (got >= need) break;
    const uint32_t elapsed = clock_.tick() - start;
    if (elapsed >= waitMs) break;
    // Once a frame has begun (the echo or the reply), a silence longer than a character
    // time-out ends it; before that the module's turnaround may take the whole wait.
    const bool begun = got > 0;
    const uint32_t left = waitMs - elapsed;
    const uint32_t wait =
        begun && characterTimeoutMs > 0 ? std::min(left, characterTimeoutMs) : left;
    int n = 0;
    const IoResult r = line_.read(bytes + got, need - got, wait, &n);
    if (r == IoResult::Failed) return result;
    got += n;
    // The port ended the read on a silence (its interval time-out), or nothing came within the
    // character time-out: the frame has stopped short.
    if ((r == IoResult::Completed && got > 0 && got < need) || (n == 0 && begun)) break;
  }
  if (got == 0) return result;
  result.arrived = true;
  result.received = std::min(got, capacity);
  std::copy_n(bytes, result.received, reply);
  return result;
}
