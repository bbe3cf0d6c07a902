#include "tools/CliReports.h"

#include <QDir>

#include "bench/RunHistory.h"
#include "bench/TestReport.h"

namespace {

bool parseDay(const QString& text, QDate* day) {
  *day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
  return day->isValid() && text.size() == 10;
}

bool parseFilter(const QStringList& args, HistoryFilter* filter, QString* why) {
  for (int i = 0; i < args.size(); i += 2) {
    const QString& option = args[i];
    if (i + 1 >= args.size()) {
      *why = option + QStringLiteral(" needs a value");
      return false;
    }
    const QString& value = args[i + 1];
    if (option == QLatin1String("--since") || option == QLatin1String("--until")) {
      QDate& day = option == QLatin1String("--since") ? filter->since : filter->until;
      if (!parseDay(value, &day)) {
        *why = QStringLiteral("bad date (YYYY-MM-DD): ") + value;
        return false;
      }
    } else if (option == QLatin1String("--serial") && !value.trimmed().isEmpty()) {
      filter->serial = value;
    } else {
      *why = QStringLiteral("wrong arguments for reports: ") + option + ' ' + value;
      return false;
    }
  }
  return true;
}

}  // namespace

int runCliReports(QTextStream& out, QTextStream& err, const QString& folder,
                  const QStringList& args, QString* why) {
  HistoryFilter filter;
  if (!parseFilter(args, &filter, why)) return 2;
  const RunHistory history(ReportArchive::read(folder));
  const QVector<int> shown = history.select(filter);
  const QDir here = QDir::current();
  for (int i : shown) {
    const ArchivedRun& run = history.runs()[i];
    const QString outcome =
        run.damaged() ? QStringLiteral("ПОВРЕЖДЁН") : TestRecord::outcomeText(*run.outcome);
    const QString file = here.relativeFilePath(run.file);
    QStringList fields = {run.started.toString(QStringLiteral("yyyy-MM-dd")),
                          run.started.toString(QStringLiteral("HH:mm:ss")),
                          run.serial,
                          run.operatorName,
                          outcome,
                          file};
    for (QString& f : fields) f = TestReport::field(f);
    out << fields.join(';') << '\n';
    if (run.damaged()) err << file << QStringLiteral(": повреждён: ") << run.damage << '\n';
  }
  out << RunHistory::totalsLine(history.totals(shown)) << Qt::endl;
  err.flush();
  return 0;
}
