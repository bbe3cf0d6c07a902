#include "link/CommThread.h"

#include "app/AppCore.h"

CommThread::CommThread(AppCore& core, QObject* parent)
    : QThread(parent), core_(core), cycle_(core) {}

void CommThread::run() {
  while (!core_.flags.workerStopRequest) cycle_.pollPass();
  core_.flags.workerStopRequest = false;
}
