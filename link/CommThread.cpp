#include "link/CommThread.h"

#include "app/AppCore.h"

CommThread::CommThread(AppCore& core, QObject* parent)
    : QThread(parent), core_(core), cycle_(core) {}

void CommThread::run() {
  while (!core_.flags.workerStopRequest) cycle_.pollPass();
  // The port object was made on this thread and must be released here; the window's own
  // close of the port afterwards then finds nothing open.
  core_.port().closePort();
  core_.flags.workerStopRequest = false;
}
