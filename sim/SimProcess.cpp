#include "sim/SimProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString SimProcess::executable() {
  // Next to the calling program's build folder, or as built by CMake.
  if (QCoreApplication::instance()) {
    const QString beside = QCoreApplication::applicationDirPath() + "/../sim/tarvix-sim";
    if (QFileInfo::exists(beside)) return beside;
  }
  return QStringLiteral(TARVIX_SIM_PATH);
}

SimProcess::SimProcess(const QStringList& args) {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(executable(), args);
  if (!process_.waitForStarted(5000)) return;
  while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
  }
  path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
}

SimProcess::~SimProcess() {
  process_.terminate();
  if (!process_.waitForFinished(3000)) process_.kill();
}

QString SimProcess::command(const QString& line) {
  process_.write((line + QLatin1Char('\n')).toLocal8Bit());
  process_.waitForBytesWritten(5000);
  while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
  }
  return QString::fromLocal8Bit(process_.readLine()).trimmed();
}
