#include "bench/RunHistory.h"

#include <QSet>
#include <algorithm>

RunHistory::RunHistory(QVector<ArchivedRun> runs) : runs_(std::move(runs)) {
  std::stable_sort(runs_.begin(), runs_.end(), [](const ArchivedRun& a, const ArchivedRun& b) {
    return a.started < b.started;
  });
  firstOfUnit_.resize(runs_.size());
  QSet<QString> seen;
  for (int i = 0; i < runs_.size(); ++i) {
    if (runs_[i].damaged()) continue;
    const QString unit = unitOf(i);
    firstOfUnit_[i] = !seen.contains(unit);
    seen.insert(unit);
  }
}

QString RunHistory::unitOf(int index) const {
  const QString serial = runs_[index].serial.trimmed();
  // A run without a serial number cannot be told from another unit's: a unit of its own.
  return serial.isEmpty() ? QStringLiteral("\n%1").arg(index) : serial;
}

QVector<int> RunHistory::select(const HistoryFilter& filter) const {
  QVector<int> out;
  const QString serial = filter.serial.trimmed();
  for (int i = 0; i < runs_.size(); ++i) {
    const ArchivedRun& run = runs_[i];
    const QDate day = run.started.date();
    if (filter.since.isValid() && day < filter.since) continue;
    if (filter.until.isValid() && day > filter.until) continue;
    const bool serialKnown = !run.damaged() || !run.serial.trimmed().isEmpty();
    if (!serial.isEmpty() && serialKnown && run.serial.trimmed() != serial) continue;
    if (filter.outcome && !run.damaged() && run.outcome != filter.outcome) continue;
    out << i;
  }
  return out;
}

HistoryTotals RunHistory::totals(const QVector<int>& selection) const {
  HistoryTotals t;
  QSet<QString> units;
  for (int i : selection) {
    const ArchivedRun& run = runs_[i];
    ++t.tested;
    if (run.damaged()) {
      ++t.damaged;
      continue;
    }
    switch (*run.outcome) {
      case TestRecord::Outcome::Passed:
        ++t.passed;
        break;
      case TestRecord::Outcome::Failed:
        ++t.failed;
        break;
      case TestRecord::Outcome::Aborted:
        ++t.aborted;
        break;
      case TestRecord::Outcome::BenchFault:
        ++t.benchFault;
        break;
    }
    units.insert(unitOf(i));
  }
  t.units = units.size();
  // The first run of each unit, wherever it stands in the archive: a unit that failed last
  // week and passed today did not pass first time.
  for (int i = 0; i < runs_.size(); ++i)
    if (firstOfUnit_[i] && runs_[i].outcome == TestRecord::Outcome::Passed &&
        units.contains(unitOf(i)))
      ++t.firstPassUnits;
  return t;
}

QString RunHistory::totalsLine(const HistoryTotals& t) {
  return QStringLiteral(
             "итого %1: пройдено %2, не пройдено %3, прервано %4, неисправность стенда %5")
      .arg(t.tested)
      .arg(t.passed)
      .arg(t.failed)
      .arg(t.aborted)
      .arg(t.benchFault);
}

QString RunHistory::firstPassYieldText(const HistoryTotals& t) {
  if (t.units == 0) return QStringLiteral("—");
  return QStringLiteral("%1 из %2 (%3 %)")
      .arg(t.firstPassUnits)
      .arg(t.units)
      .arg(qRound(100.0 * t.firstPassUnits / t.units));
}
