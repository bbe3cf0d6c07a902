#include "link/Session.h"

#include <QDir>
#include <cstdlib>

#include "core/Prompter.h"
#include "link/CommThread.h"
#include "link/LinkSettings.h"
#include "link/SystemSerialLine.h"

Session::Session(const QString& directory, Prompter& prompter, std::unique_ptr<SerialLine> line,
                 Clock& clock)
    : Session(directory, prompter, line ? std::move(line) : makeSystemSerialLine(clock), nullptr,
              clock) {}

Session::Session(const QString& directory, Prompter& prompter, SerialLine& borrowedLine,
                 Clock& clock)
    : Session(directory, prompter, nullptr, &borrowedLine, clock) {}

Session::Session(const QString& directory_, Prompter& prompter_,
                 std::unique_ptr<SerialLine> ownLine, SerialLine* line, Clock& clock_)
    : directory(directory_),
      clock(clock_),
      prompter(prompter_),
      mem(QDir(directory_).filePath(QStringLiteral("mem.ini"))),
      variant(Variant::detect(directory_)),
      journal(QDir(directory_).filePath(QStringLiteral("tarvix.log"))),
      ownLine_(std::move(ownLine)),
      port_(line ? *line : *ownLine_, mem, status),
      client_(port_, mem, clock_),
      writeJournal_(journal, client_),
      link_{clock, prompter, mem, status, progress, journal, flags, requests, port_, client_},
      cycle_(link_) {
  flags.maxFirmwareVersion = variant.maxFirmwareVersion;
  // Direct: the journal records each link change as it happens, on whichever thread.
  QObject::connect(
      &status, &StatusLine::textChanged, &status,
      [this](int panel, const QString& text) {
        if (panel == StatusLine::Link) journal.linkChanged(text);
      },
      Qt::DirectConnection);
  client_.setObserver(&writeJournal_);
  cycle_.setOperation(RequestFlags::LinkParamsRead,
                      [this] { return readModuleLinkParams(link_, linkParams); });
  cycle_.setOperation(RequestFlags::LinkParamsWrite,
                      [this] { return writeModuleLinkParams(link_, linkParams); });
}

Session::~Session() {
  if (!stopWorker(kWorkerJoinMs)) {
    // Stuck in a driver call: destroying what it uses would crash; end the process instead.
    journal.append(QStringLiteral("Поток обмена не завершился за %1 с; программа закрыта")
                       .arg(kWorkerJoinMs / 1000));
    std::_Exit(EXIT_FAILURE);  // no exit handlers, no destructors; MinGW has no quick_exit
  }
  port_.closePort();
}

bool Session::openPort() {
  port_.openPort(LinkSettings(mem).devicePath());
  const QString refused = port_.takeLineSettingsError();
  if (!refused.isEmpty())
    prompter.showMessage(QStringLiteral("GetLastError"), refused, Prompter::Icon::Information);
  return port_.isOpen();
}

void Session::startWorker(std::function<void()> testRunner) {
  if (worker_) return;
  worker_ = std::make_unique<CommThread>(cycle_, flags, port_);
  if (testRunner) worker_->setTestRunner(std::move(testRunner));
  worker_->start();
}

bool Session::stopWorker(int ms) {
  if (!worker_) return true;
  if (worker_->isRunning()) requestWorkerStop();
  return worker_->join(ms);
}
