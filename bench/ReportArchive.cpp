#include "bench/ReportArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "core/Cp1251.h"

namespace {

// The head of a report: the title, then one "name;value" line each up to the first empty line.
// Reports are a few kilobytes; a head never needs more records than this.
constexpr int kHeadRecords = 40;
const QString kStampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// A head is under a kilobyte unless its serial number or message is long.
constexpr qint64 kHeadBytes = 2048;

bool isBlank(const QStringList& record) { return record.size() == 1 && record[0].isEmpty(); }

// The head ended at an empty line (not merely where the bytes read did).
bool headEnds(const QVector<QStringList>& records) {
  return std::any_of(records.begin() + std::min<qsizetype>(1, records.size()), records.end(),
                     isBlank);
}

QString decode(QByteArray bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  // A report saved again by a spreadsheet program on Windows may come back in its code page.
  return cp1251::isValidUtf8(bytes) ? QString::fromUtf8(bytes) : cp1251::decode(bytes);
}

// When the head tells no time: the one in the name the report was given, or the file's own.
QDateTime timeOfFile(const QString& path) {
  static const QRegularExpression stamp(
      QStringLiteral("(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})"));
  const QRegularExpressionMatch m = stamp.match(QFileInfo(path).fileName());
  const QDateTime named =
      m.hasMatch() ? QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd_HH-mm-ss"))
                   : QDateTime();
  return named.isValid() ? named : QFileInfo(path).lastModified();
}

}  // namespace

namespace ReportArchive {

QString folder(const QString& settingsPath) {
  return QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("reports"));
}

QVector<QStringList> parseCsv(QStringView text, int maxRecords) {
  QVector<QStringList> records;
  QStringList fields;
  QString field;
  bool quoted = false, any = false;
  const auto endRecord = [&] {
    fields << field;
    records << fields;
    fields.clear();
    field.clear();
    any = false;
  };
  for (qsizetype i = 0; i < text.size() && records.size() < maxRecords; ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += c;
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ';') {
      fields << field;
      field.clear();
      any = true;
    } else if (c == '\n') {
      endRecord();
    } else if (c != '\r') {
      field += c;
      any = true;
    }
  }
  if ((any || !fields.isEmpty()) && records.size() < maxRecords) endRecord();
  return records;
}

ArchivedRun readFile(const QString& path) {
  ArchivedRun run;
  run.file = path;
  QFile file(path);
  const auto damaged = [&](const QString& why) {
    run.damage = why;
    run.outcome.reset();
    if (!run.started.isValid()) run.started = timeOfFile(path);
    return run;
  };
  if (!file.open(QIODevice::ReadOnly))
    return damaged(QStringLiteral("не читается: ") + file.errorString());
  // The head is all the history needs: the first lines of the file, up to the last whole line
  // read; the whole file when the head does not end among them.
  QByteArray bytes = file.read(kHeadBytes);
  if (file.error() != QFileDevice::NoError)
    return damaged(QStringLiteral("не читается: ") + file.errorString());
  QVector<QStringList> head;
  if (!file.atEnd()) {
    head = parseCsv(decode(bytes.left(bytes.lastIndexOf('\n') + 1)), kHeadRecords);
    if (!headEnds(head)) {
      bytes += file.readAll();
      head.clear();
    }
  }
  if (head.isEmpty()) {
    const QString text = decode(bytes);
    if (text.trimmed().isEmpty()) return damaged(QStringLiteral("файл пуст"));
    head = parseCsv(text, kHeadRecords);
  }
  if (head.first().value(0) != QStringLiteral("Протокол испытания модуля"))
    return damaged(QStringLiteral("не протокол испытания"));
  QString started, outcome;
  bool hasOutcome = false;
  for (int r = 1; r < head.size() && !isBlank(head[r]); ++r) {
    const QString name = head[r].value(0);
    const QString value = head[r].value(1);
    if (name == QStringLiteral("Заводской номер"))
      run.serial = value;
    else if (name == QStringLiteral("Оператор"))
      run.operatorName = value;
    else if (name == QStringLiteral("Начало"))
      started = value;
    else if (name == QStringLiteral("Итог")) {
      outcome = value;
      hasOutcome = true;
    }
  }
  run.started = QDateTime::fromString(started, kStampFormat);
  if (!run.started.isValid())
    return damaged(started.isEmpty() ? QStringLiteral("нет времени начала")
                                     : QStringLiteral("неверное время начала «%1»").arg(started));
  if (!hasOutcome) return damaged(QStringLiteral("нет итога"));
  run.outcome = TestRecord::outcomeFromText(outcome);
  if (!run.outcome) return damaged(QStringLiteral("неизвестный итог «%1»").arg(outcome));
  return run;
}

QVector<ArchivedRun> read(const QString& folder) {
  const QDir dir(folder);
  QVector<ArchivedRun> runs;
  for (const QString& name :
       dir.entryList({QStringLiteral("*.csv")}, QDir::Files | QDir::Hidden, QDir::Name))
    runs << readFile(dir.filePath(name));
  std::stable_sort(runs.begin(), runs.end(), [](const ArchivedRun& a, const ArchivedRun& b) {
    return a.started < b.started;
  });
  return runs;
}

}  // namespace ReportArchive
