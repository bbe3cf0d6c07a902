#pragma once

#include <QDate>
#include <QString>
#include <QVector>
#include <optional>

#include "bench/ReportArchive.h"

// What the line tested: the archived runs, a selection of them by date, unit and outcome, and
// the totals of a selection with its first-pass yield. A damaged record cannot be told by its
// outcome, nor by its unit when its serial number could not be read: it stays in every
// selection of its dates that it might belong to.
struct HistoryFilter {
  QDate since, until;  // the days of the start, both included; a null date leaves it open
  QString serial;      // the serial number exactly (spaces around it aside); empty: every unit
  std::optional<TestRecord::Outcome> outcome;  // none: every outcome
};

struct HistoryTotals {
  int tested = 0;  // the runs, damaged records included
  int passed = 0, failed = 0, aborted = 0, benchFault = 0, damaged = 0;
  // The units of the selection, and those of them whose first run in the whole archive passed.
  // A unit is its serial number; runs without one are a unit each.
  int units = 0, firstPassUnits = 0;
};

class RunHistory {
 public:
  // The runs in any order; they are kept oldest first.
  explicit RunHistory(QVector<ArchivedRun> runs = {});

  const QVector<ArchivedRun>& runs() const { return runs_; }
  // The indices of the runs the filter lets through, oldest first.
  QVector<int> select(const HistoryFilter& filter) const;
  HistoryTotals totals(const QVector<int>& selection) const;

  // "итого N: пройдено A, не пройдено B, прервано C, неисправность стенда D"
  static QString totalsLine(const HistoryTotals& totals);
  // "A из U (P %)", or "—" without a unit.
  static QString firstPassYieldText(const HistoryTotals& totals);

 private:
  QString unitOf(int index) const;

  QVector<ArchivedRun> runs_;
  QVector<bool> firstOfUnit_;  // the run is its unit's first readable one
};
