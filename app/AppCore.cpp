#include "app/AppCore.h"

#include <QDir>

#include "link/CommThread.h"
#include "link/QtSerialLine.h"

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

// One line per frame: "Запись в устройство 100: рег. 97: 10 -> 15; рег. 98: 3 [не выполнена: …]".
void AppCore::journalWrite(uint8_t slave,
                           const QVector<ModbusRtuClient::WrittenRegister>& registers, bool ok,
                           const QString& error) {
  QStringList parts;
  // The motor voltage password (register 118 of the module) never reaches the file.
  const bool toModule = slave == client_->moduleAddress() || slave == 0;
  for (const auto& r : registers) {
    if (toModule && r.address == 118) {
      parts << QStringLiteral("рег. 118: ***");
      continue;
    }
    const QString value = QString::number(r.value);
    parts << QStringLiteral("рег. %1: %2")
                 .arg(r.address)
                 .arg(r.old ? QString::number(*r.old) + QStringLiteral(" -> ") + value : value);
  }
  QString line =
      QStringLiteral("Запись в устройство %1: ").arg(slave) + parts.join(QStringLiteral("; "));
  if (!ok) line += QStringLiteral(" [не выполнена: %1]").arg(error);
  journal.append(line);
}

AppCore::~AppCore() {
  if (worker_ && worker_->isRunning()) {
    flags.workerStopRequest = true;
    worker_->wait();
  }
  port_->closePort();
}

void AppCore::addWriteObserver(ModbusRtuClient::WriteObserver observer) {
  client_->setWriteObserver([this, observer = std::move(observer)](
                                uint8_t slave,
                                const QVector<ModbusRtuClient::WrittenRegister>& registers, bool ok,
                                const QString& error) {
    journalWrite(slave, registers, ok, error);
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
