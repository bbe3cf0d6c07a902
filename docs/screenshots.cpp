// Takes the README's pictures of the demo: Tarvix's window against tarvix-sim on a
// pseudo-terminal, configured with the demo's mem.ini and tp.ini, each tab shown after the
// module has done what that tab is about (an error raised, a motion drawn, the log fetched,
// production tests run: a unit failed, then passed, and another one passed). The first page of
// the passed unit's protocol is rendered with poppler's pdftoppm, and the window "Протоколы"
// shows the runs; last, "Поиск модулей" finds the module moved from the console. Run it through
// docs/screenshots.sh, which starts it under Xvfb.
//   usage: tarvix-screenshots OUTPUT_DIR [DEMO_DIR | scan]   (DEMO_DIR keeps the settings and
//   reports/; scan: the search window alone)
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <functional>

#include "app/ui/MainWindow.h"
#include "bench/ReportArchive.h"
#include "bench/TestReport.h"
#include "bench/ui/BenchUi.h"
#include "bench/ui/ProtocolsWindow.h"
#include "bench/ui/TestPage.h"
#include "link/ui/ModuleScanWindow.h"
#include "operation/ui/ControlPage.h"
#include "operation/ui/DiagramPage.h"
#include "operation/ui/LogTimePage.h"
#include "params/ui/ErrorsPage.h"
#include "params/ui/MainPage.h"
#include "params/ui/ServicePage.h"
#include "sim/SimProcess.h"

namespace {

void waitMs(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool waitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

bool copyDemoFile(const QString& from, const QString& to, const QByteArray& prefix = {}) {
  QFile in(from), out(to);
  if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
  return out.write(prefix + in.readAll()) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool scanOnly = argc == 3 && QByteArray(argv[2]) == "scan";
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: tarvix-screenshots OUTPUT_DIR [DEMO_DIR | scan]\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir temporary;
  const QDir dir(argc == 3 && !scanOnly ? QString::fromLocal8Bit(argv[2]) : temporary.path());
  if (!dir.exists() && !QDir().mkpath(dir.path())) return 1;
  const QString tp = dir.filePath("tp.ini");
  if (!copyDemoFile(QStringLiteral(TARVIX_DEMO_DIR "/tp.ini"), tp)) return 1;
  SimProcess sim({"--bench", tp});
  if (!sim.started()) {
    std::fprintf(stderr, "tarvix-sim did not start (%s)\n", qPrintable(SimProcess::executable()));
    return 1;
  }
  // As the demo script writes it: the link to the simulated module, then the installation.
  const QByteArray connect =
      "[connect]\r\nport=" + sim.path().toLocal8Bit() + "\r\nadr=100\r\n\r\n";
  if (!copyDemoFile(QStringLiteral(TARVIX_DEMO_DIR "/mem.ini"), dir.filePath("mem.ini"), connect))
    return 1;

  MainWindow form(dir.path());
  form.setAccessLevelSource([] { return 2; });
  // Message boxes (the log's end, the test's verdict) are answered as soon as they show.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
  });
  answer.start(50);
  form.resize(1280, 820);
  form.show();
  if (!waitFor([&] { return bool(form.core().flags.moduleOnline); }, 15000)) {
    std::fprintf(stderr, "the simulated module did not come online\n");
    return 1;
  }
  int failures = 0;
  const auto shoot = [&](QWidget* page, const char* name, int settleMs) {
    form.pages()->setCurrentWidget(page);
    waitMs(settleMs);
    const QString path = out.filePath(QString::fromLatin1(name) + ".png");
    if (!form.grab().save(path)) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(path));
      ++failures;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
  };

  // "Поиск модулей" after the module was moved to address 33 at 19200 baud from the console.
  const auto shootScan = [&] {
    sim.command("set 0 33");
    sim.command("set 1 1");
    form.findChild<QToolButton*>(QStringLiteral("ToolButtonScan"))->click();
    ModuleScanWindow* scan = form.moduleScanWindow();
    scan->firstAddress()->setValue(25);
    scan->lastAddress()->setValue(40);
    for (int i : {2, 3, 4}) scan->speedBox(i)->setChecked(false);
    scan->startButton()->click();
    waitFor([&] { return !scan->running(); }, 120000);
    scan->resize(700, 420);
    waitMs(300);
    const QString path = out.filePath(QStringLiteral("scan.png"));
    if (!scan->grab().save(path)) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(path));
      ++failures;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
    scan->close();
  };
  if (scanOnly) {
    shootScan();
    return failures ? 1 : 0;
  }

  shoot(form.tabSheetMain(), "main", 2500);
  sim.command("error 3 on 10");
  sim.command("input 5 on");
  shoot(form.tabSheetFirm(), "errors", 1500);
  shoot(form.tabSheetService(), "service", 2500);

  form.pages()->setCurrentWidget(form.tabSheetDiagram());
  form.tabSheetDiagram()->checkBoxDiag()->setChecked(true);
  waitMs(500);
  form.tabSheetControl()->buttonPush()->click();
  shoot(form.tabSheetDiagram(), "diagram", 4500);

  form.pages()->setCurrentWidget(form.tabSheetControl());
  waitMs(500);
  form.tabSheetControl()->buttonPull()->click();
  shoot(form.tabSheetControl(), "control", 1200);
  waitMs(3000);

  form.pages()->setCurrentWidget(form.tabSheetLogTime());
  waitMs(1000);
  form.tabSheetLogTime()->buttonReadLog()->click();
  shoot(form.tabSheetLogTime(), "logtime", 4000);

  // The unit goes on the bench sound: what the console broke above is mended.
  sim.command("error 3 off");
  sim.command("input 5 off");
  // The line's day: a unit fails on a dead relay output and passes once it is mended, then
  // the next unit passes; each run leaves its report and protocol in reports/.
  form.pages()->setCurrentWidget(form.tabSheetTest());
  waitMs(500);
  TestPage* page = form.tabSheetTest();
  page->editOperator()->setText(QStringLiteral("Иванова А. С."));
  const auto runUnit = [&](const QString& serial) {
    waitFor([&] { return page->buttonStart()->isEnabled(); }, 60000);
    page->editSerial()->setText(serial);
    page->buttonStart()->click();
    waitFor([&] { return bool(form.core().flags.testRunning); }, 5000);
    waitFor([&] { return !form.core().flags.testRunning; }, 600000);
  };
  sim.command("defect output 1 dead");
  runUnit(QStringLiteral("ТР-0147"));
  sim.command("defect clear");
  runUnit(QStringLiteral("ТР-0147"));
  runUnit(QStringLiteral("ТР-0148"));
  shoot(form.tabSheetTest(), "test", 1000);
  // The protocol of the last unit that passed.
  QString protocol;
  for (const ArchivedRun& run : ReportArchive::read(dir.filePath("reports")))
    if (run.outcome == TestRecord::Outcome::Passed) protocol = TestReport::protocolPath(run.file);

  // The protocol one would file: its first page, as a viewer shows it.
  const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (pdftoppm.isEmpty() || !QFileInfo::exists(protocol) ||
      QProcess::execute(pdftoppm, {"-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile",
                                   protocol, out.filePath("protocol")}) != 0) {
    std::fprintf(stderr, "could not render the protocol %s with pdftoppm (poppler-utils)\n",
                 qPrintable(protocol));
    ++failures;
  } else {
    std::printf("%s\n", qPrintable(out.filePath("protocol.png")));
  }

  page->buttonProtocols()->click();
  ProtocolsWindow* history = form.benchUi()->protocolsWindow();
  history->resize(900, 420);
  waitMs(1000);
  const QString historyPath = out.filePath("protocols.png");
  if (!history->grab().save(historyPath)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(historyPath));
    ++failures;
  } else {
    std::printf("%s\n", qPrintable(historyPath));
  }

  shootScan();
  return failures ? 1 : 0;
}
