#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>

#include "bench/TestReport.h"

// Reports as the runs leave them, written straight into a reports/ folder: the unit, the
// operator, the start and the outcome are what the history reads.
inline TestRecord::Data recordedRun(const QString& serial, const QString& operatorName,
                                    const QDateTime& started, TestRecord::Outcome outcome) {
  TestRecord::Data run;
  run.unit.serial = serial;
  run.unit.firmwareVersion = 205;
  run.unit.logicNumber = 1;
  run.unit.address = 100;
  run.operatorName = operatorName;
  run.started = started;
  run.ended = started.addSecs(95);
  run.attempts = 1;
  run.steps = QStringList{QStringLiteral("Тест мотора")};
  run.outcome = outcome;
  run.message = TestRecord::outcomeText(outcome);
  run.rows = {ResultGrid::Row{}, ResultGrid::Row{QStringLiteral("Тест мотора-220В-вперед-прогон 1"),
                                                 QStringLiteral("Ток 250 ОК"),
                                                 {},
                                                 QStringLiteral("0")}};
  return run;
}

// Writes the report of `run` into `folder` under its usual name; its path.
inline QString writeReport(const QString& folder, const TestRecord::Data& run) {
  const QString path =
      TestReport::defaultPath(run, QDir(folder).filePath(QStringLiteral("../tp.ini")));
  return TestReport::write(run, path, QString()).path;
}

inline QDateTime at(const char* stamp) {
  return QDateTime::fromString(QString::fromLatin1(stamp), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
