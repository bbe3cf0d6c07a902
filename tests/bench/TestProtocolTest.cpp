// The protocol of a run as PDF, read back with poppler's pdftotext and pdffonts (poppler-utils,
// installed by scripts/deps.sh): for every outcome it names the unit, the operator, every step
// and the outcome, in embedded fonts, with nothing spilling into a margin; a protocol that cannot
// be written costs neither the CSV nor the run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <optional>

#include "BenchSim.h"
#include "bench/TestProtocol.h"
#include "support/FileSizeLimit.h"

namespace {

const QString kSerial = QStringLiteral("СН 12;4 \"А\" <b>");
const QString kOperator = QStringLiteral("Петров П. П.; смена 2");

// The output of a poppler tool, or the failure that says why there is none.
QString poppler(const char* tool, const QStringList& args) {
  const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
  if (program.isEmpty()) {
    ADD_FAILURE() << tool << " is missing: bash scripts/deps.sh installs poppler-utils";
    return QString();
  }
  QProcess p;
  p.start(program, args);
  EXPECT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The text in drawing order with all white space gone: a step's title wrapped in its cell is
// still found whole.
QString pdfText(const QString& pdf) {
  return poppler("pdftotext", {"-raw", "-enc", "UTF-8", pdf, "-"})
      .remove(QRegularExpression(QStringLiteral("\\s")));
}
QString squeezed(QString s) { return s.remove(QRegularExpression(QStringLiteral("\\s"))); }

// A4 is 842 pt high; the text starts under 12 mm of margin and ends 12 mm of margin and 8 mm
// of foot above the bottom.
constexpr double kTextTop = 12 / 25.4 * 72;
constexpr double kTextBottom = 842 - 20 / 25.4 * 72;

// The top and bottom (pt from the top of the page) of every word on `page`.
QVector<QPair<double, double>> words(const QString& pdf, int page) {
  static const QRegularExpression word(
      QStringLiteral("<word xMin=\"[^\"]*\" yMin=\"([^\"]*)\" xMax=\"[^\"]*\" yMax=\"([^\"]*)\""));
  QVector<QPair<double, double>> out;
  const QString boxes = poppler(
      "pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
  for (const QRegularExpressionMatch& m : word.globalMatch(boxes))
    out << qMakePair(m.captured(1).toDouble(), m.captured(2).toDouble());
  return out;
}

QString onlyFile(const QString& folder, const char* pattern) {
  const QStringList files = QDir(folder).entryList({QString::fromLatin1(pattern)}, QDir::Files);
  return files.size() == 1 ? QDir(folder).filePath(files[0]) : QString();
}

struct Case {
  const char* outcome;
  std::function<void(BenchSim&)> breakIt;
};

TEST(TestProtocol, EachOutcomeNamesTheUnitTheOperatorEveryStepAndTheOutcome) {
  const Case cases[] = {
      {"ПРОЙДЕН", [](BenchSim&) {}},
      {"НЕ ПРОЙДЕН",
       [](BenchSim& sim) {
         sim.bus.bench()->defect({"output", "1", "dead"});
       }},
      {"ПРЕРВАН ОПЕРАТОРОМ",
       [](BenchSim& sim) {
         sim.bus.d8r4().setWriteHook([&sim](uint16_t, uint16_t) {
           if (sim.bus.d8r4().outputs() == 5) TestRunner::stopTest(sim.ctx());
         });
       }},
      {"НЕИСПРАВНОСТЬ СТЕНДА",
       [](BenchSim& sim) {
         sim.bus.d8r4().setWriteHook([&sim](uint16_t, uint16_t) {
           if (sim.bus.d8r4().outputs() == 5) sim.core->tp.writeInteger("connect", "d8r4_addr", 31);
         });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outcome);
    BenchSim sim;
    sim.core->bench.writeProtocol = &TestProtocol::write;
    sim.serial = kSerial;
    sim.operatorName = kOperator;
    c.breakIt(sim);
    ASSERT_TRUE(sim.startAndRun());
    const QString reports = sim.dir.filePath("reports");
    const QString csv = onlyFile(reports, "*.csv");
    const QString pdf = onlyFile(reports, "*.pdf");
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(TestReport::protocolPath(csv), pdf);  // beside its report, under the same name

    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(squeezed("ПРОТОКОЛ ИСПЫТАНИЙ")));
    EXPECT_TRUE(text.contains(squeezed(kSerial))) << text.toStdString();
    EXPECT_TRUE(text.contains(squeezed(kOperator)));
    EXPECT_TRUE(text.contains(squeezed(QStringLiteral("Результат: ") + c.outcome)));
    const QVector<ResultGrid::Row> rows = sim.core->bench.grid.rows();
    int steps = 0;
    for (int r = 1; r < rows.size(); ++r) {
      if (rows[r].step.isEmpty()) continue;
      ++steps;
      EXPECT_TRUE(text.contains(squeezed(rows[r].step))) << rows[r].step.toStdString();
    }
    EXPECT_GT(steps, 0);
    const int pages =
        poppler("pdfinfo", {pdf}).section("Pages:", 1).section('\n', 0, 0).trimmed().toInt();
    EXPECT_GE(pages, 1);
    // Numbered pages only when there is more than one.
    EXPECT_EQ(text.contains(squeezed(QStringLiteral("Лист 1 из %1").arg(pages))), pages > 1);
    if (QString::fromUtf8(c.outcome) == "ПРОЙДЕН") {
      EXPECT_GT(pages, 1);
    }
    // Every word is within the text of its page or on the foot's one line: a row of the
    // results the layout split between two pages would leave its part in a margin.
    for (int p = 1; p <= pages; ++p) {
      SCOPED_TRACE(p);
      std::optional<double> foot;
      QStringList stray;
      for (const auto& [top, bottom] : words(pdf, p)) {
        if (top >= kTextTop - 0.5 && bottom <= kTextBottom + 0.5) continue;
        if (top < kTextBottom || std::abs(top - foot.value_or(top)) > 0.5)
          stray << QStringLiteral("%1..%2").arg(top).arg(bottom);
        else
          foot = top;
      }
      EXPECT_TRUE(stray.isEmpty()) << stray.join(' ').toStdString();
      EXPECT_TRUE(foot.has_value());
    }
    // Every font is in the file, so any machine shows the Cyrillic.
    const QStringList fonts = poppler("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    EXPECT_FALSE(fonts.isEmpty());
    for (const QString& font : fonts) {
      SCOPED_TRACE(font.toStdString());
      EXPECT_EQ(font.simplified().section(' ', -5, -5), "yes");  // the "emb" column
    }
  }
}

// A protocol that cannot be written (a folder in its place): the closing message says so, the
// outcome stands, the CSV is whole, and nothing half-written is left.
TEST(TestProtocol, AProtocolThatCannotBeWrittenCostsNeitherTheCsvNorTheRun) {
  BenchSim sim;
  sim.core->bench.writeProtocol = &TestProtocol::write;
  sim.core->bench.reportFile = sim.dir.filePath("out/unit.csv");
  ASSERT_TRUE(QDir().mkpath(sim.dir.filePath("out/unit.pdf")));
  ASSERT_TRUE(sim.startAndRun());
  ASSERT_EQ(sim.boxes().size(), 1);
  EXPECT_TRUE(sim.boxes()[0].startsWith(
      "ОК: Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне\nПротокол PDF не сохранён: "));
  EXPECT_TRUE(sim.core->bench.grid.stepProgress().startsWith(
      "Испытание завершено: ПРОЙДЕН. Протокол PDF не сохранён: "));
  QFile csv(sim.dir.filePath("out/unit.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QString report = QString::fromUtf8(csv.readAll());
  EXPECT_TRUE(report.contains("Итог;ПРОЙДЕН\r\n"));
  EXPECT_TRUE(report.contains("Тест мотора-24В-назад-прогон 1;"));
  EXPECT_EQ(QDir(sim.dir.filePath("out")).entryList(QDir::Files), QStringList{"unit.csv"});
}

// A full disk: the CSV (a few kilobytes) still fits, the PDF does not; nothing of it is left.
TEST(TestProtocol, AFullDiskLeavesTheCsvAndNoHalfProtocol) {
  BenchSim sim;
  sim.core->bench.writeProtocol = &TestProtocol::write;
  sim.serial = "FD-1";
  {
    const FileSizeLimit full(16 * 1024);
    ASSERT_TRUE(sim.startAndRun());
  }
  ASSERT_EQ(sim.boxes().size(), 1);
  EXPECT_TRUE(sim.boxes()[0].contains("\nПротокол PDF не сохранён: "))
      << sim.boxes()[0].toStdString();
  const QString reports = sim.dir.filePath("reports");
  EXPECT_EQ(QDir(reports).entryList(QDir::Files).size(), 1);
  ASSERT_EQ(sim.reports().size(), 1);
  EXPECT_TRUE(sim.reports()[0].contains("Итог;ПРОЙДЕН"));
}

}  // namespace
