// Reading the line's history: RECORDS reports of the size a demo run leaves (about 8.5 kB, 30
// result rows, 40 measurements, the settings), half the units tested twice, spread over a year,
// written into a temporary reports/; then the archive read whole, the history's selection and
// totals, and the window "Протоколы" filled from the folder, each timed REPEATS times.
//   usage: bench_reports [RECORDS] [REPEATS]   (offscreen: QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/ReportArchive.h"
#include "bench/RunHistory.h"
#include "bench/TestReport.h"
#include "bench/ui/ProtocolListModel.h"
#include "bench/ui/ProtocolsWindow.h"

namespace {

TestRecord::Data demoLikeRun(int i) {
  using O = TestRecord::Outcome;
  TestRecord::Data run;
  run.unit = {QStringLiteral("СН-%1").arg(i / 2, 6, 10, QLatin1Char('0')), 205, 3, 1, 100};
  run.operatorName = i % 3 ? QStringLiteral("Иванов И. И.") : QStringLiteral("Петрова А. С.");
  run.started = QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addSecs(qint64(i) * 3137);
  run.ended = run.started.addSecs(95);
  run.attempts = 1;
  run.outcome = i % 2 == 0 && i % 10 == 0 ? O::Failed : i % 97 == 0 ? O::Aborted : O::Passed;
  run.message = QStringLiteral("Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне");
  run.steps = {QStringLiteral("Проверка дискретных входов"), QStringLiteral("Тест мотора")};
  for (int k = 0; k < 40; ++k)
    run.settings << QStringLiteral("current_wnd_%1/24В вперед мин=%2").arg(k % 2).arg(500 + k);
  run.rows << ResultGrid::Row{};
  for (int r = 0; r < 30; ++r) {
    const QString step = QStringLiteral("Тест мотора-220В-вперед-прогон %1").arg(r);
    run.rows << ResultGrid::Row{
        step, QStringLiteral("Ток 250 В ТОЧНОМ ОКНЕ - ОК"), {}, QStringLiteral("0")};
    run.measurements << TestRecord::Measurement{step, QStringLiteral("Ток мотора, мА"),
                                                QStringLiteral("250"),
                                                QStringLiteral("точное окно 230..270, грубое окно "
                                                               "180..320"),
                                                QStringLiteral("норма")};
  }
  for (int m = 0; m < 10; ++m)
    run.measurements << TestRecord::Measurement{
        QStringLiteral("ВХОД %1").arg(m), QStringLiteral("Маска входов (R16 2)"),
        QStringLiteral("4 (опросов: 8)"), QStringLiteral("ожидается 4"), QStringLiteral("норма")};
  return run;
}

struct Figures {
  double median, min, max;
};

Figures figures(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void print(const char* what, const Figures& f) {
  std::printf("%-34s median %8.1f ms   min %8.1f   max %8.1f\n", what, f.median, f.min, f.max);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  QTemporaryDir dir;
  const QString tp = dir.filePath(QStringLiteral("tp.ini"));
  QElapsedTimer timer;
  timer.start();
  qint64 bytes = 0;
  for (int i = 0; i < records; ++i) {
    const TestReport::SavedFile f = TestReport::write(demoLikeRun(i), QString(), tp);
    if (!f.saved()) {
      std::fprintf(stderr, "%s\n", qPrintable(f.failure));
      return 1;
    }
    bytes += QFileInfo(f.path).size();
  }
  std::printf("%d reports written in %.1f s, %.1f kB each\n", records, timer.elapsed() / 1000.0,
              bytes / 1024.0 / records);
  const QString folder = ReportArchive::folder(tp);

  std::vector<double> read, history, window;
  int shown = 0;
  ProtocolsWindow protocols(folder);
  protocols.resize(1200, 700);
  for (int r = 0; r < repeats; ++r) {
    timer.restart();
    QVector<ArchivedRun> runs = ReportArchive::read(folder);
    read.push_back(timer.nsecsElapsed() / 1e6);
    timer.restart();
    const RunHistory h(std::move(runs));
    const QVector<int> all = h.select({});
    const HistoryTotals t = h.totals(all);
    history.push_back(timer.nsecsElapsed() / 1e6);
    if (t.tested != records) std::fprintf(stderr, "read %d of %d\n", t.tested, records);
    // The window as the user opens it: the folder read, the list and the totals drawn.
    timer.restart();
    if (r == 0)
      protocols.show();
    else
      protocols.reload();
    QApplication::processEvents();
    window.push_back(timer.nsecsElapsed() / 1e6);
    shown = protocols.model()->rowCount();
  }
  print("read the reports", figures(read));
  print("history: sort, select, totals", figures(history));
  print("window \"Протоколы\" shown/reloaded", figures(window));
  std::printf("window lists %d runs; %s\n", shown,
              qPrintable(protocols.labelTotals()->text().replace('\n', QStringLiteral("; "))));
  return 0;
}
