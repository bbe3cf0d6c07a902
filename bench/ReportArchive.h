#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

#include "bench/TestRecord.h"

// One run as its report in reports/ tells it, for the history of the line ("Протоколы",
// tarvix-cli reports). A report that cannot be read is a damaged record: it stays in the
// history with why, whatever of it could be read, and the date and time of its file name (or
// of the file), and the file is left as it is.
struct ArchivedRun {
  QString file;  // the report's path
  QDateTime started;
  QString serial;
  QString operatorName;
  std::optional<TestRecord::Outcome> outcome;  // none when damaged
  QString damage;                              // why it could not be read; empty when it was
  bool damaged() const { return !damage.isEmpty(); }
};

namespace ReportArchive {

// reports/ beside tp.ini: where the runs leave their reports.
QString folder(const QString& settingsPath);
// Every report (*.csv) of the folder, oldest first (by the start, then by the file name).
QVector<ArchivedRun> read(const QString& folder);
ArchivedRun readFile(const QString& path);
// The records of CSV text as the reports write them (";" separated, quoted fields with ""),
// at most `maxRecords` of them.
QVector<QStringList> parseCsv(QStringView text, int maxRecords);

}  // namespace ReportArchive
