// The history of the line from the reports in reports/: what a report holds comes back as it
// was written, damaged records are listed and left alone, the filters take whole days across
// month and year ends, and the first-pass yield counts each unit by its first run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "BenchSim.h"
#include "RecordsFixture.h"
#include "bench/BenchKeys.h"
#include "bench/ReportArchive.h"
#include "bench/RunHistory.h"

namespace {

using Outcome = TestRecord::Outcome;

QStringList shownSerials(const RunHistory& h, const HistoryFilter& f) {
  QStringList out;
  for (int i : h.select(f)) out << h.runs()[i].serial;
  return out;
}

// Serial numbers and operators as people type and scan them come back from the CSV unchanged.
TEST(ReportArchive, TheUnitAndTheOperatorSurviveTheReport) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("reports");
  struct Case {
    const char* serial;
    const char* operatorName;
  } cases[] = {
      {"12345", "Иванов"},
      {"СН 12;4", "Петров П. П.; смена 2"},
      {"A-17/5 \"эксп.\"", "О'Брайен ; \"Ё\""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.serial);
    const TestRecord::Data run =
        recordedRun(QString::fromUtf8(c.serial), QString::fromUtf8(c.operatorName),
                    at("2024-05-17 10:30:00"), Outcome::Failed);
    const ArchivedRun read = ReportArchive::readFile(writeReport(folder, run));
    EXPECT_FALSE(read.damaged()) << read.damage.toStdString();
    EXPECT_EQ(read.serial, run.unit.serial);
    EXPECT_EQ(read.operatorName, run.operatorName);
    EXPECT_EQ(read.started, run.started);
    EXPECT_EQ(read.outcome, Outcome::Failed);
  }
  // A head longer than the first read, empty lines in a quoted field, still reads whole.
  const QString longSerial = QString(500, QChar(u'Ж')) + "\r\n\r\n" + QString(1500, QChar(u'Ж'));
  const ArchivedRun read = ReportArchive::readFile(writeReport(
      folder, recordedRun(longSerial, "Иванов", at("2024-05-17 10:30:00"), Outcome::Passed)));
  EXPECT_FALSE(read.damaged()) << read.damage.toStdString();
  EXPECT_EQ(read.serial, longSerial);
  EXPECT_EQ(read.outcome, Outcome::Passed);
}

// What cannot be read is listed as damaged, with why and whatever could be read, under the
// time its name tells; the file stays as it was. A report of before the operator was recorded
// reads as it is.
TEST(ReportArchive, DamagedRecordsAreListedWithWhyAndLeftAlone) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("reports");
  const QString good = writeReport(
      folder, recordedRun("OK-1", "Иванов", at("2024-05-17 10:30:00"), Outcome::Passed));
  QFile f(good);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray report = f.readAll();
  f.close();
  const auto cut = [&](const char* from) { return report.left(report.indexOf(QByteArray(from))); };
  QByteArray withoutOperator = report;
  withoutOperator.replace("Оператор;Иванов\r\n", "");
  struct Case {
    const char* name;
    QByteArray bytes;
    const char* damage;  // empty: read
    const char* serial;
    QDate day;  // of the start the report tells, else of its name; none: the file's own time
  } cases[] = {
      {"empty_2024-06-01_08-00-00.csv", "", "файл пуст", "", {2024, 6, 1}},
      {"garbage_2024-06-01_08-00-01.csv",
       QByteArray("\x00\xff\x13\x07PK\x03\x04", 9),
       "не протокол испытания",
       "",
       {2024, 6, 1}},
      {"other.csv", "a;b;c\r\n1;2;3\r\n", "не протокол испытания", "", {}},
      {"cut_2024-06-01_08-00-02.csv", cut("Начало"), "нет времени начала", "OK-1", {2024, 6, 1}},
      {"no-outcome_2024-06-01_08-00-03.csv", cut("Итог"), "нет итога", "OK-1", {2024, 5, 17}},
      {"odd_2024-06-01_08-00-04.csv",
       QByteArray(report).replace("ПРОЙДЕН", "ГОДЕН"),
       "неизвестный итог «ГОДЕН»",
       "OK-1",
       {2024, 5, 17}},
      {"date_2024-06-01_08-00-05.csv",
       QByteArray(report).replace("2024-05-17 10:30:00", "17.05.2024"),
       "неверное время начала «17.05.2024»",
       "OK-1",
       {2024, 6, 1}},
      {"old_2024-06-01_08-00-06.csv", withoutOperator, "", "OK-1", {2024, 5, 17}},
  };
  for (const Case& c : cases) ASSERT_TRUE(writeBytes(QDir(folder).filePath(c.name), c.bytes));

  const QVector<ArchivedRun> runs = ReportArchive::read(folder);
  ASSERT_EQ(runs.size(), 9);  // the good one too
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto it = std::find_if(runs.begin(), runs.end(), [&](const ArchivedRun& r) {
      return r.file.endsWith(QString::fromUtf8(c.name));
    });
    ASSERT_NE(it, runs.end());
    EXPECT_EQ(it->damage, QString::fromUtf8(c.damage));
    EXPECT_EQ(it->serial, QString::fromUtf8(c.serial));
    EXPECT_EQ(it->damaged(), !it->outcome.has_value());
    if (c.day.isValid()) {
      EXPECT_EQ(it->started.date(), c.day);
    } else {
      EXPECT_TRUE(it->started.isValid());
    }
    QFile kept(it->file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), c.bytes);
  }
  const auto old = std::find_if(runs.begin(), runs.end(),
                                [](const ArchivedRun& r) { return r.file.contains("old_"); });
  EXPECT_EQ(old->outcome, Outcome::Passed);
  EXPECT_TRUE(old->operatorName.isEmpty());
}

// A unit tested twice, failed and then passed, is one unit and did not pass first time, even
// where only its second run is shown; runs without a serial number are a unit each.
TEST(RunHistory, FirstPassYieldCountsEachUnitByItsFirstRun) {
  QVector<ArchivedRun> runs;
  const auto add = [&](const char* serial, const char* stamp, Outcome o) {
    ArchivedRun r;
    r.serial = QString::fromUtf8(serial);
    r.started = at(stamp);
    r.outcome = o;
    r.file = QStringLiteral("%1.csv").arg(runs.size());
    runs << r;
  };
  add("B-2", "2024-03-02 09:00:00", Outcome::Passed);
  add("A-1", "2024-03-01 09:00:00", Outcome::Failed);  // out of order: the history sorts
  add("A-1", "2024-03-04 09:00:00", Outcome::Passed);
  add("", "2024-03-04 10:00:00", Outcome::Passed);
  add("", "2024-03-04 11:00:00", Outcome::Aborted);
  add(" C-3 ", "2024-03-05 09:00:00", Outcome::BenchFault);
  add("C-3", "2024-03-05 10:00:00", Outcome::Passed);
  ArchivedRun damaged;
  damaged.file = "damaged.csv";
  damaged.started = at("2024-03-05 12:00:00");
  damaged.damage = "нет итога";
  runs << damaged;
  const RunHistory history(runs);

  const HistoryTotals all = history.totals(history.select({}));
  EXPECT_EQ(all.tested, 8);
  EXPECT_EQ(all.passed, 4);
  EXPECT_EQ(all.failed, 1);
  EXPECT_EQ(all.aborted, 1);
  EXPECT_EQ(all.benchFault, 1);
  EXPECT_EQ(all.damaged, 1);
  EXPECT_EQ(all.units, 5);           // A-1, B-2, C-3 and the two without a number
  EXPECT_EQ(all.firstPassUnits, 2);  // B-2 and the first one without a number
  EXPECT_EQ(RunHistory::firstPassYieldText(all), "2 из 5 (40 %)");
  EXPECT_EQ(RunHistory::totalsLine(all),
            "итого 8: пройдено 4, не пройдено 1, прервано 1, неисправность стенда 1");

  HistoryFilter a;
  a.serial = "A-1";
  a.since = QDate(2024, 3, 3);  // only the second run of A-1
  const HistoryTotals onlyPass = history.totals(history.select(a));
  EXPECT_EQ(onlyPass.passed, 1);
  EXPECT_EQ(onlyPass.damaged, 1);  // its number unknown, the damaged record may be A-1's
  EXPECT_EQ(onlyPass.units, 1);
  EXPECT_EQ(onlyPass.firstPassUnits, 0);

  HistoryFilter failed;
  failed.outcome = Outcome::Failed;
  EXPECT_EQ(shownSerials(history, failed), (QStringList{"A-1", ""}));  // and the damaged one
  EXPECT_EQ(RunHistory::firstPassYieldText(history.totals({})), "—");
}

// Whole days at both ends, oldest first, across the end of a month and of a year.
TEST(RunHistory, DatesAcrossAMonthAndAYearEnd) {
  QVector<ArchivedRun> runs;
  for (const char* stamp : {"2025-02-01 00:00:00", "2024-12-31 23:59:59", "2025-01-31 23:59:59",
                            "2025-01-01 00:00:00", "2024-11-30 12:00:00"}) {
    ArchivedRun r;
    r.serial = QString::fromLatin1(stamp).left(10);
    r.started = at(stamp);
    r.outcome = Outcome::Passed;
    runs << r;
  }
  const RunHistory history(runs);
  const auto days = [&](QDate since, QDate until) {
    HistoryFilter f;
    f.since = since;
    f.until = until;
    return shownSerials(history, f);
  };
  EXPECT_EQ(days({}, {}),
            (QStringList{"2024-11-30", "2024-12-31", "2025-01-01", "2025-01-31", "2025-02-01"}));
  EXPECT_EQ(days(QDate(2024, 12, 31), QDate(2025, 1, 1)),
            (QStringList{"2024-12-31", "2025-01-01"}));
  EXPECT_EQ(days(QDate(2025, 1, 1), {}), (QStringList{"2025-01-01", "2025-01-31", "2025-02-01"}));
  EXPECT_EQ(days({}, QDate(2024, 12, 31)), (QStringList{"2024-11-30", "2024-12-31"}));
  EXPECT_EQ(days(QDate(2025, 1, 31), QDate(2025, 1, 31)), QStringList{"2025-01-31"});
  EXPECT_EQ(days(QDate(2025, 2, 2), {}), QStringList{});
}

// The operator goes with the run: into its report and the session journal, and tp.ini keeps
// the name for the next run.
TEST(RunHistory, TheOperatorIsRecordedAndKept) {
  BenchSim sim;
  sim.serial = "СН 7";
  sim.operatorName = "  Сидорова А. ; смена 1 ";
  ASSERT_TRUE(sim.startAndRun());
  ASSERT_EQ(sim.reports().size(), 1);
  EXPECT_TRUE(sim.reports()[0].contains("Оператор;\"Сидорова А. ; смена 1\""));
  EXPECT_EQ(SettingsStore(sim.dir.filePath("tp.ini")).readString(benchkeys::kOperator),
            "Сидорова А. ; смена 1");
  QFile journal(sim.dir.filePath("tarvix.log"));
  ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
  EXPECT_TRUE(
      QString::fromUtf8(journal.readAll())
          .contains("Испытание начато, заводской номер СН 7, оператор Сидорова А. ; смена 1"));
  const QVector<ArchivedRun> runs = ReportArchive::read(sim.dir.filePath("reports"));
  ASSERT_EQ(runs.size(), 1);
  EXPECT_EQ(runs[0].operatorName, "Сидорова А. ; смена 1");
  EXPECT_EQ(runs[0].serial, "СН 7");
}

}  // namespace
