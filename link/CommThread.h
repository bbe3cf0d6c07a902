#pragma once

#include <QThread>

#include "link/PollCycle.h"

class AppCore;

// The worker thread: the only thread that talks to the bus. Runs poll passes back to back
// until workerStopRequest is set, and clears that flag as its last act.
class CommThread : public QThread {
  Q_OBJECT
 public:
  explicit CommThread(AppCore& core, QObject* parent = nullptr);

 protected:
  void run() override;

 private:
  AppCore& core_;
  PollCycle cycle_;
};
