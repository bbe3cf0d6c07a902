#include "bench/TestReport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

using TestReport::field;

QString line(const QStringList& fields) {
  QStringList out;
  for (const QString& f : fields) out << field(f);
  return out.join(';') + QStringLiteral("\r\n");
}

QString verdict(const ResultGrid::Row& row) {
  if (row.verdict == QLatin1String("1")) return TestRecord::verdictText(true);
  if (row.verdict == QLatin1String("0")) return TestRecord::verdictText(false);
  return QString();
}

constexpr int kSerialInName = 64;

QString stamp(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

}  // namespace

namespace TestReport {

QString field(QString text) {
  if (!text.contains(';') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
    return text;
  return '"' + text.replace('"', QStringLiteral("\"\"")) + '"';
}

QString format(const TestRecord::Data& run) {
  const TestRecord::Unit& u = run.unit;
  QString out;
  out += line({QStringLiteral("Протокол испытания модуля")});
  out += line({QStringLiteral("Заводской номер"), u.serial});
  out += line({QStringLiteral("Оператор"), run.operatorName});
  out += line({QStringLiteral("Версия ПО модуля"), QString::number(u.firmwareVersion)});
  out += line({QStringLiteral("Ревизия ПО модуля"), QString::number(u.firmwareRevision)});
  out += line({QStringLiteral("Логика"), QString::number(u.logicNumber)});
  out += line({QStringLiteral("Адрес модуля"), QString::number(u.address)});
  out += line({QStringLiteral("Начало"), stamp(run.started)});
  out += line({QStringLiteral("Окончание"), stamp(run.ended)});
  out += line({QStringLiteral("Запусков"), QString::number(run.attempts)});
  out += line({QStringLiteral("Итог"), TestRecord::outcomeText(run.outcome)});
  out += line({QStringLiteral("Сообщение"), run.message});
  if (!run.motorTypeFound.isEmpty()) {
    out += line({QStringLiteral("Напряжение мотора до испытания"), run.motorTypeFound});
    out += line({QStringLiteral("Напряжение мотора после испытания"), run.motorTypeLeft});
  }
  out += QStringLiteral("\r\n");
  out += line({QStringLiteral("Шаги испытания")});
  for (const QString& s : run.steps) out += line({s});
  out += QStringLiteral("\r\n");
  out += line({QStringLiteral("Настройки"), QStringLiteral("Значение")});
  for (const QString& s : run.settings) out += line({s.section('=', 0, 0), s.section('=', 1)});
  out += QStringLiteral("\r\n");
  out += line({QStringLiteral("Шаг"), QStringLiteral("Состояние"), QStringLiteral("Вердикт")});
  for (int r = 1; r < run.rows.size(); ++r) {
    const ResultGrid::Row& row = run.rows[r];
    if (!row.empty()) out += line({row.step, row.state, verdict(row)});
  }
  out += QStringLiteral("\r\n");
  out += line({QStringLiteral("Шаг"), QStringLiteral("Величина"), QStringLiteral("Значение"),
               QStringLiteral("Пределы"), QStringLiteral("Вердикт")});
  for (const TestRecord::Measurement& m : run.measurements)
    out += line({m.step, m.quantity, m.value, m.limits, m.verdict});
  return out;
}

QString defaultPath(const TestRecord::Data& run, const QString& settingsPath) {
  QString serial;
  for (const QChar c : run.unit.serial.trimmed())
    serial += c.isLetterOrNumber() || c == '-' || c == '_' ? c : QChar('_');
  // A name stays well within what file systems take (255 bytes; a Cyrillic letter is two).
  serial.truncate(kSerialInName);
  const QString base = (serial.isEmpty() ? QString() : serial + '_') +
                       run.ended.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
  const QDir dir(QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("reports")));
  QString path = dir.filePath(base + QStringLiteral(".csv"));
  // The protocol takes the same name: a name whose PDF is there already is taken too.
  for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(protocolPath(path)); ++n)
    path = dir.filePath(base + QStringLiteral("_%1.csv").arg(n));
  return path;
}

QString protocolPath(const QString& reportPath) {
  const QString csv = QStringLiteral(".csv");
  const bool named = reportPath.endsWith(csv, Qt::CaseInsensitive);
  return (named ? reportPath.chopped(csv.size()) : reportPath) + QStringLiteral(".pdf");
}

SavedFile write(const TestRecord::Data& run, const QString& file, const QString& settingsPath) {
  const QString path = file.isEmpty() ? defaultPath(run, settingsPath) : file;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QByteArray bytes("\xEF\xBB\xBF");
  bytes += format(run).toUtf8();
  QSaveFile out(path);
  // Unbuffered, every byte checked before the commit: a full disk must not leave a report cut
  // short in place of the run (QSaveFile commits a buffer it could not write out).
  bool ok = out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  for (qint64 done = 0; ok && done < bytes.size();) {
    const qint64 n = out.write(bytes.constData() + done, bytes.size() - done);
    ok = n > 0;
    done += std::max<qint64>(n, 0);
  }
  if (ok && out.commit()) return {path, QString()};
  const QString why = out.errorString();
  out.cancelWriting();
  return {path,
          QStringLiteral("Протокол не сохранён: %1 (%2)").arg(QDir::toNativeSeparators(path), why)};
}

}  // namespace TestReport
