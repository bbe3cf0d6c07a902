#include "link/CommThread.h"

#include "link/LinkFlags.h"
#include "link/PollCycle.h"
#include "link/SerialPortLink.h"

CommThread::CommThread(PollCycle& cycle, LinkFlags& flags, SerialPortLink& port, QObject* parent)
    : QThread(parent), cycle_(cycle), flags_(flags), port_(port) {}

void CommThread::run() {
  while (!flags_.workerStopRequest) {
    if (flags_.testRunning && testRunner_)
      testRunner_();
    else
      cycle_.pollPass();
  }
  // The port object was made on this thread and must be released here; the window's own
  // close of the port afterwards then finds nothing open.
  port_.closePort();
  flags_.workerStopRequest = false;
  loopEnded_.store(true, std::memory_order_release);
}

bool CommThread::join(int ms) {
  if (!wait(QDeadlineTimer(ms))) return false;
  // Reads the loop's last store (or nothing, for a thread never started).
  [[maybe_unused]] const bool ended = loopEnded_.load(std::memory_order_acquire);
  return true;
}
