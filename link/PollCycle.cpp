#include "link/PollCycle.h"

#include "app/AppCore.h"
#include "params/MotorVoltage.h"
#include "params/TableTransfer.h"

PollCycle::PollCycle(AppCore& core) : core_(core), identification_(core), statusReader_(core) {
  using R = RequestFlags;
  setOperation(R::MainRead, [&core] { return TableTransfer(core).readMainTables(); });
  setOperation(R::ServiceRead, [&core] {
    TableTransfer(core).readServiceTables();
    return true;
  });
  setOperation(R::MainWrite, [&core] {
    TableTransfer(core).writeMainTables();
    return true;
  });
  setOperation(R::ServiceWrite, [&core] {
    TableTransfer(core).writeServiceTables();
    return true;
  });
  setOperation(R::LinkParamsRead, [&core] { return readModuleLinkParams(core); });
  setOperation(R::LinkParamsWrite, [&core] { return writeModuleLinkParams(core); });
  setOperation(R::MotorVoltage, [&core] { return MotorVoltage(core).changeMotorVoltage(); });
}

void PollCycle::setOperation(RequestFlags::Module request, Operation op) {
  operations_[request] = std::move(op);
}

void PollCycle::pollPass() {
  LinkFlags& flags = core_.flags;
  Clock& clock = core_.clock;
  core_.status.setPollTimerActive(false);
  // A suspended link would otherwise spin the worker: pause instead.
  if (flags.linkSuspended) {
    clock.sleep(kIdlePauseMs);
    return;
  }
  SerialPortLink& port = core_.port();
  const QString path = SerialPortLink::configuredDevicePath(core_.mem);
  if (!port.isOpen()) port.openPort(path);
  if (!port.isOpen()) {
    port.closePort();
    core_.showLinkFailure(QStringLiteral("Ошибка открытия порта"));
    if (flags.valuesShown) statusReader_.clearStatusTables();
    clock.sleep(kIdlePauseMs);  // an absent adapter costs no CPU
    return;
  }

  // A changed drive type asks for the names to be chosen again at once; the request is
  // served by this pass whether or not the module was online anyway.
  const bool identifyRequested = core_.requests.identify.exchange(false);
  if (!flags.moduleOnline || identifyRequested) identification_.identify();
  const uint32_t passStart = clock.tick();
  // The diagram takes its sample here once it exists.
  const int version = flags.firmwareVersion;
  const bool statusRead =
      version >= 0 && version <= flags.maxFirmwareVersion && statusReader_.readStatus();
  if (statusRead) {
    core_.status.setText(StatusLine::Link, QStringLiteral("МОДУЛЬ НА СВЯЗИ"));
    flags.valuesShown = true;
    serveModuleRequests();
  } else {
    if (flags.valuesShown) statusReader_.clearStatusTables();
    if (!port.portAlive()) port.closePort();
    clock.sleep(kFailedPollPauseMs);
  }
  serveBenchRequests();
  // The endurance cycles take their step here once they exist.
  core_.status.setPassDuration(int(clock.tick() - passStart));

  if (flags.linkSuspended) {
    port.closePort();
    core_.showLinkFailure(QStringLiteral("Связь прервана пользователем"));
  } else {
    core_.status.setPollTimerActive(true);
  }
  if (flags.portReopenRequest.exchange(false)) port.closePort();
}

void PollCycle::serveModuleRequests() {
  RequestFlags& r = core_.requests;
  for (int i = 0; i < RequestFlags::ModuleRequestCount; ++i) {
    // A request nothing serves stays raised: it never counts as done.
    if (!r.module[i] || !operations_[i]) continue;
    const bool ok = operations_[i]();
    // A request raised again while its operation ran is cleared with it.
    if (ok || i != RequestFlags::ResetCommand) r.module[i] = false;
  }
}

void PollCycle::serveBenchRequests() {
  RequestFlags& r = core_.requests;
  auto address = [&](const char* key, int def) {
    return uint8_t(core_.tp.readInteger(QStringLiteral("connect"), QLatin1String(key), def));
  };
  ModbusRtuClient& client = core_.client();
  if (r.r16Output.exchange(false))
    client.writeBenchOutputs(address("r16_addr", 16), r.r16OutputWord);
  if (r.d8r4Output.exchange(false))
    client.writeBenchOutputs(address("d8r4_addr", 17), r.d8r4OutputWord);
}
