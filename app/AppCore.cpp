#include "app/AppCore.h"

#include <QDir>

#include "link/CommThread.h"
#include "link/QtSerialLine.h"
#include "link/WriteJournal.h"

AppCore::AppCore(const QString& directory, Prompter& prompter_, std::unique_ptr<SerialLine> line,
                 Clock& clock_)
    : clock(clock_),
      prompter(prompter_),
      mem(QDir(directory).filePath(QStringLiteral("mem.ini"))),
      tp(QDir(directory).filePath(QStringLiteral("tp.ini"))),
      prof(QDir(directory).filePath(QStringLiteral("prof.ini"))),
      variant(Variant::detect(directory)),
      journal(QDir(directory).filePath(QStringLiteral("tarvix.log"))),
      line_(line ? std::move(line) : std::make_unique<QtSerialLine>(clock_)) {
  flags.maxFirmwareVersion = variant.maxFirmwareVersion;
  // Direct: the journal records each link change as it happens, on whichever thread.
  QObject::connect(
      &status, &StatusLine::textChanged, &status,
      [this](int panel, const QString& text) {
        if (panel == StatusLine::Link) journal.linkChanged(text);
      },
      Qt::DirectConnection);
  port_ = std::make_unique<SerialPortLink>(*line_, mem, status, prompter);
  client_ = std::make_unique<ModbusRtuClient>(*port_, mem, clock);
  addWriteObserver(nullptr);  // the journal alone
}

AppCore::~AppCore() {
  if (worker_ && worker_->isRunning()) {
    flags.workerStopRequest = true;
    worker_->wait();
  }
  port_->closePort();
}

void AppCore::addWriteObserver(ModbusRtuClient::WriteObserver observer) {
  client_->setWriteObserver([journal = journalWrites(journal, *client_),
                             observer = std::move(observer)](
                                uint8_t slave,
                                const QVector<ModbusRtuClient::WrittenRegister>& registers, bool ok,
                                const QString& error) {
    journal(slave, registers, ok, error);
    if (observer) observer(slave, registers, ok, error);
  });
}

void AppCore::showLinkFailure(const QString& text) {
  status.setText(StatusLine::Link, text);
  flags.moduleOnline = false;
}

void AppCore::startWorker() {
  if (worker_) return;
  worker_ = std::make_unique<CommThread>(*this);
  worker_->start();
}

void AppCore::requestWorkerStop() { flags.workerStopRequest = true; }
