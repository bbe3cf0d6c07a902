// tarvix-cli reports on a reports/ folder of the working directory: the lines and the totals
// as the line's scripts read them, the filters, a damaged report, and bad usage.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "../bench/RecordsFixture.h"
#include "tools/CliTool.h"

namespace {

using Outcome = TestRecord::Outcome;

class CliReports : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString reports = dir.filePath("reports");
    writeReport(reports, recordedRun("A-1", "Иванов", at("2024-12-31 23:50:00"), Outcome::Failed));
    writeReport(reports, recordedRun("A-1", "Иванов", at("2025-01-01 08:05:00"), Outcome::Passed));
    writeReport(reports, recordedRun("СН 12;4", "Петров П. П.", at("2025-01-31 17:00:00"),
                                     Outcome::Aborted));
    writeReport(reports, recordedRun("", "", at("2025-02-01 09:00:00"), Outcome::BenchFault));
    writeBytes(dir.filePath("reports/B-2_2025-01-15_10-00-00.csv"), "\xEF\xBB\xBFПротокол");
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  int run(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    return CliTool(o, e).run(args);
  }
  QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }

  QTemporaryDir dir;
  QString out, err;

 private:
  QString previous_;
};

TEST_F(CliReports, OneLinePerRecordOldestFirstThenTheTotals) {
  EXPECT_EQ(run({"reports"}), 0) << err.toStdString();
  EXPECT_EQ(lines(),
            (QStringList{
                "2024-12-31;23:50:00;A-1;Иванов;НЕ ПРОЙДЕН;reports/A-1_2024-12-31_23-51-35.csv",
                "2025-01-01;08:05:00;A-1;Иванов;ПРОЙДЕН;reports/A-1_2025-01-01_08-06-35.csv",
                "2025-01-15;10:00:00;;;ПОВРЕЖДЁН;reports/B-2_2025-01-15_10-00-00.csv",
                "2025-01-31;17:00:00;\"СН 12;4\";Петров П. П.;ПРЕРВАН "
                "ОПЕРАТОРОМ;reports/СН_12_4_2025-01-31_17-01-35.csv",
                "2025-02-01;09:00:00;;;НЕИСПРАВНОСТЬ СТЕНДА;reports/2025-02-01_09-01-35.csv",
                "итого 5: пройдено 1, не пройдено 1, прервано 1, неисправность стенда 1",
            }));
  EXPECT_EQ(err, "reports/B-2_2025-01-15_10-00-00.csv: повреждён: не протокол испытания\n");
}

TEST_F(CliReports, FiltersTakeWholeDaysAndTheSerialNumber) {
  // The time of each line, then the totals.
  const auto times = [&](const QStringList& args) {
    EXPECT_EQ(run(QStringList{"reports"} + args), 0) << err.toStdString();
    QStringList out = lines();
    for (int i = 0; i + 1 < out.size(); ++i) out[i] = out[i].section(';', 0, 1);
    return out;
  };
  EXPECT_EQ(
      times({"--since", "2025-01-01", "--until", "2025-01-31"}),
      (QStringList{"2025-01-01;08:05:00", "2025-01-15;10:00:00", "2025-01-31;17:00:00",
                   "итого 3: пройдено 1, не пройдено 0, прервано 1, неисправность стенда 0"}));
  EXPECT_EQ(
      times({"--until", "2024-12-31"}),
      (QStringList{"2024-12-31;23:50:00",
                   "итого 1: пройдено 0, не пройдено 1, прервано 0, неисправность стенда 0"}));
  // The damaged record's number is unknown: it stays with every unit.
  EXPECT_EQ(
      times({"--serial", "A-1", "--since", "2025-01-02"}),
      (QStringList{"2025-01-15;10:00:00",
                   "итого 1: пройдено 0, не пройдено 0, прервано 0, неисправность стенда 0"}));
  EXPECT_EQ(times({"--serial", "СН 12;4"}).mid(0, 2),
            (QStringList{"2025-01-15;10:00:00", "2025-01-31;17:00:00"}));
}

TEST_F(CliReports, BadUsageExitsTwo) {
  for (const QStringList& args :
       {QStringList{"--since"}, QStringList{"--since", "2025-13-01"},
        QStringList{"--until", "25-01-01"}, QStringList{"--since", "2025-1-5"},
        QStringList{"--serial", ""}, QStringList{"--what", "1"}, QStringList{"extra"}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    EXPECT_EQ(run(QStringList{"reports"} + args), 2);
    EXPECT_TRUE(out.isEmpty());
  }
  QDir(dir.filePath("reports")).removeRecursively();
  EXPECT_EQ(run({"reports"}), 0);
  EXPECT_EQ(out, "итого 0: пройдено 0, не пройдено 0, прервано 0, неисправность стенда 0\n");
}

}  // namespace
