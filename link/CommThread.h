#pragma once

#include <QThread>

class PollCycle;
class SerialPortLink;
struct LinkFlags;

// The worker thread: the only thread that talks to the bus. Runs poll passes back to back
// until workerStopRequest is set, and clears that flag as its last act.
class CommThread : public QThread {
  Q_OBJECT
 public:
  CommThread(PollCycle& cycle, LinkFlags& flags, SerialPortLink& port, QObject* parent = nullptr);

 protected:
  void run() override;

 private:
  PollCycle& cycle_;
  LinkFlags& flags_;
  SerialPortLink& port_;
};
