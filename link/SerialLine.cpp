#include "link/SerialLine.h"

#include <algorithm>

bool TimedSerialLine::applyTimeouts(const PortTimeouts& timeouts) {
  if (!isOpen()) return false;
  timeouts_ = timeouts;
  return true;
}

IoResult TimedSerialLine::read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) {
  *received = 0;
  if (!isOpen()) return IoResult::Failed;
  const uint32_t start = clock_.tick();
  const uint64_t totalLimit =
      uint64_t(timeouts_.readTotalPerByte) * uint64_t(maxBytes) + timeouts_.readTotalConstant;
  uint32_t lastByteAt = start;
  int got = 0;
  for (;;) {
    const int n = takeAvailable(buffer + got, maxBytes - got);
    if (n < 0) return IoResult::Failed;
    const uint32_t now = clock_.tick();
    if (n > 0) {
      got += n;
      lastByteAt = now;
      *received = got;
    }
    if (got >= maxBytes) return IoResult::Completed;

    // Time left until the port itself completes the read, and until the caller gives up.
    uint64_t toCompletion = UINT64_MAX;
    if (totalLimit > 0) {
      const uint32_t elapsed = now - start;
      toCompletion = elapsed >= totalLimit ? 0 : totalLimit - elapsed;
    }
    if (got > 0 && timeouts_.readInterval > 0) {
      const uint32_t quiet = now - lastByteAt;
      const uint64_t left = quiet >= timeouts_.readInterval ? 0 : timeouts_.readInterval - quiet;
      toCompletion = std::min(toCompletion, left);
    }
    if (toCompletion == 0) return IoResult::Completed;
    const uint32_t elapsed = now - start;
    if (elapsed >= waitMs) return IoResult::Pending;
    const uint32_t toGiveUp = waitMs - elapsed;
    const uint32_t wait = uint32_t(std::min<uint64_t>(toCompletion, toGiveUp));
    if (waitReadable(wait) == Wait::Failed) return IoResult::Failed;
  }
}

void TimedSerialLine::drainUntilQuiet(uint32_t quietMs, uint32_t quietSince) {
  if (!isOpen()) return;
  const uint32_t start = clock_.tick();
  uint32_t lastByteAt = quietSince;
  uint8_t scratch[256];
  for (;;) {
    const int n = takeAvailable(scratch, int(sizeof scratch));
    if (n < 0) return;
    const uint32_t now = clock_.tick();
    if (n > 0) {
      lastByteAt = now;
      continue;  // empty what is there before waiting
    }
    const uint32_t quiet = now - lastByteAt;
    if (quiet >= quietMs || now - start >= kMaxDrainMs) return;
    if (waitReadable(quietMs - quiet) == Wait::Failed) return;
  }
}
