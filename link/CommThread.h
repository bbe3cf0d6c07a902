#pragma once

#include <QThread>
#include <atomic>
#include <functional>

class PollCycle;
class SerialPortLink;
struct LinkFlags;

// The worker thread: the only thread that talks to the bus. Runs poll passes back to back
// until workerStopRequest is set, and clears that flag as its last act.
class CommThread : public QThread {
  Q_OBJECT
 public:
  CommThread(PollCycle& cycle, LinkFlags& flags, SerialPortLink& port, QObject* parent = nullptr);

  // Waits up to `ms` for the loop to end; true when it has. Unlike QThread::wait alone, the
  // hand-over is an atomic the sanitizers see, so what the loop touched is safely ours after.
  bool join(int ms);

  // Runs in place of the poll pass while testRunning is set (the production test).
  void setTestRunner(std::function<void()> runner) { testRunner_ = std::move(runner); }

 protected:
  void run() override;

 private:
  PollCycle& cycle_;
  LinkFlags& flags_;
  SerialPortLink& port_;
  std::function<void()> testRunner_;
  std::atomic_bool loopEnded_{false};
};
