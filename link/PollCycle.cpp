#include "link/PollCycle.h"

#include "core/Clock.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/LinkSettings.h"
#include "link/ModbusRtuClient.h"
#include "link/SerialPortLink.h"

void PollCycle::setOperation(RequestFlags::Module request, Operation op) {
  operations_[request] = std::move(op);
}

void PollCycle::post(std::function<void()> job) {
  std::lock_guard lock(jobsMutex_);
  jobs_.push_back(std::move(job));
}

void PollCycle::runJobs() {
  for (;;) {
    std::function<void()> job;
    {
      std::lock_guard lock(jobsMutex_);
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

void PollCycle::openPortIfNeeded() {
  SerialPortLink& port = link_.port;
  if (port.isOpen()) return;
  port.openPort(LinkSettings(link_.mem).devicePath());
  // A driver that refuses the line settings is told once per open; the port stays.
  const QString refused = port.takeLineSettingsError();
  if (!refused.isEmpty()) {
    link_.journal.append(QStringLiteral("Порт не принял настройки линии: ") + refused);
    link_.prompter.showMessage(QStringLiteral("GetLastError"), refused,
                               Prompter::Icon::Information);
  }
}

void PollCycle::blankStatus() {
  if (link_.flags.valuesShown && steps_.clearStatus) steps_.clearStatus();
}

void PollCycle::pollPass() {
  LinkFlags& flags = link_.flags;
  Clock& clock = link_.clock;
  SerialPortLink& port = link_.port;
  link_.status.setPollTimerActive(false);
  // A suspended link would otherwise spin the worker: pause instead.
  if (flags.linkSuspended) {
    if (steps_.passEnd) steps_.passEnd(false);  // a run does not go on unwatched
    clock.sleep(kIdlePauseMs);
    return;
  }
  if (flags.moduleOnline && steps_.passStart) steps_.passStart();
  openPortIfNeeded();
  if (!port.isOpen()) {
    port.closePort();
    link_.showLinkFailure(port.openFailureText());
    blankStatus();
    showWaitingRequests(false);
    // A run's watch on the link goes on while the adapter is out.
    if (steps_.passEnd) steps_.passEnd(false);
    clock.sleep(kIdlePauseMs);  // an absent adapter costs no CPU
    return;
  }

  runJobs();
  // A changed drive type asks for the names to be chosen again at once; the request is
  // served by this pass whether or not the module was online anyway.
  const bool identifyRequested = link_.requests.identify.exchange(false);
  if ((!flags.moduleOnline || identifyRequested) && steps_.identify) steps_.identify();
  const uint32_t passStart = clock.tick();
  if (steps_.sample) steps_.sample();
  const int version = flags.firmwareVersion;
  const bool statusRead = version >= 0 && version <= flags.maxFirmwareVersion &&
                          steps_.readStatus && steps_.readStatus();
  showWaitingRequests(statusRead);
  if (statusRead) {
    link_.status.setText(StatusLine::Link, QStringLiteral("МОДУЛЬ НА СВЯЗИ"));
    flags.valuesShown = true;
    serveModuleRequests();
  } else {
    blankStatus();
    if (!port.portAlive()) port.closePort();
    clock.sleep(kFailedPollPauseMs);
  }
  if (flags.moduleOnline && steps_.benchOnline) steps_.benchOnline();
  if (port.isOpen() && steps_.benchAlways) steps_.benchAlways();
  if (steps_.passEnd) steps_.passEnd(port.isOpen());
  link_.status.setPassDuration(int(clock.tick() - passStart));

  if (flags.linkSuspended) {
    port.closePort();
    link_.showLinkFailure(QStringLiteral("Связь прервана пользователем"));
  } else {
    link_.status.setPollTimerActive(true);
  }
  if (flags.portReopenRequest.exchange(false)) port.closePort();
}

void PollCycle::showWaitingRequests(bool online) {
  static const QString kWaiting =
      QStringLiteral("Ожидание связи с модулем...\nЗапрос будет выполнен, когда модуль ответит");
  const RequestFlags& r = link_.requests;
  bool waiting = false;
  for (RequestFlags::Module m :
       {RequestFlags::MainWrite, RequestFlags::ServiceWrite, RequestFlags::SetClock,
        RequestFlags::ClearLog, RequestFlags::Push, RequestFlags::Pull, RequestFlags::ResetCommand,
        RequestFlags::LinkParamsRead, RequestFlags::LinkParamsWrite, RequestFlags::MotorVoltage})
    waiting = waiting || r.module[m];
  if (!online && waiting && !waitingShown_) {
    link_.progress.show(kWaiting);
    waitingShown_ = true;
  } else if ((online || !waiting) && waitingShown_) {
    // Only the panel this put up: an operation's own panel is left alone.
    if (link_.progress.text() == kWaiting) link_.progress.hide();
    waitingShown_ = false;
  }
}

void PollCycle::serveModuleRequests() {
  RequestFlags& r = link_.requests;
  for (int i = 0; i < RequestFlags::ModuleRequestCount; ++i) {
    // A request nothing serves stays raised: it never counts as done.
    if (!r.module[i] || !operations_[i]) continue;
    const bool ok = operations_[i]();
    // A request raised again while its operation ran is cleared with it.
    if (ok || i != RequestFlags::ResetCommand) r.module[i] = false;
    emit r.served(i, ok);
  }
}
