#include "link/PollCycle.h"

#include "app/AppCore.h"

void PollCycle::pollPass() {
  LinkFlags& flags = core_.flags;
  // A suspended link or an absent adapter would otherwise spin the worker: pause instead.
  if (flags.linkSuspended) {
    core_.clock.sleep(kIdlePauseMs);
    return;
  }
  const QString path = SerialPortLink::devicePath(
      core_.mem.readString(QStringLiteral("connect"), QStringLiteral("port"), QString()));
  SerialPortLink& port = core_.port();
  if (!port.isOpen()) port.openPort(path);
  if (!port.isOpen()) {
    port.closePort();
    core_.showLinkFailure(QStringLiteral("Ошибка открытия порта"));
    core_.clock.sleep(kIdlePauseMs);
    return;
  }
  core_.clock.sleep(kIdlePauseMs);
  if (flags.portReopenRequest.exchange(false)) port.closePort();
}
