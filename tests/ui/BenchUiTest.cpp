// The test tab and the bench dialogs: the production test started from the window runs on the
// worker while the rows appear in the grid; the bench buttons ask for their words; the two
// dialogs check and write tp.ini as they must.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include "../bench/RecordsFixture.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SidePanel.h"
#include "bench/ui/BenchToolBar.h"
#include "bench/ui/BenchUi.h"
#include "bench/ui/CurrentWindowsDialog.h"
#include "bench/ui/ProtocolListModel.h"
#include "bench/ui/ProtocolsWindow.h"
#include "bench/ui/TestPage.h"
#include "bench/ui/TestStepsDialog.h"
#include "core/SettingsStore.h"
#include "link/RequestFlags.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "ui/ModalAnswerer.h"

namespace {

class BenchUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile mem(dir.filePath("mem.ini"));
    ASSERT_TRUE(mem.open(QIODevice::WriteOnly));
    mem.write("[connect]\r\nport=COM1\r\n");
    mem.close();
    ASSERT_TRUE(QFile::copy(TARVIX_DEMO_TP, dir.filePath("tp.ini")));
    QFile(dir.filePath("tp.ini")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  }
  // Runs the event loop until `done`, at most `ms` of real time.
  static bool spinUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
  }
  QString tpText() const {
    QFile f(dir.filePath("tp.ini"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }

  // The window on the simulated demo bench, online, with the test tab shown.
  struct BenchWindow {
    explicit BenchWindow(const QString& dir, const QStringList& defect = {}) {
      bus.attachBench(BenchDescription::read(SettingsStore(dir + "/tp.ini")));
      if (!defect.isEmpty()) bus.bench()->defect(defect);
      form = std::make_unique<MainWindow>(dir, std::make_unique<MemoryLine>(bus, clock), clock);
      form->setAccessLevelSource([] { return 2; });
      form->show();
      page = form->tabSheetTest();
      if (!spinUntil([&] { return bool(form->core().flags.moduleOnline); })) return;
      form->pages()->setCurrentWidget(page);
      ready = spinUntil([&] { return page->edit(TestSettings::DICount)->text() == "12"; });
    }
    ~BenchWindow() { form->close(); }
    // "Старт", then the run to its closing box and the buttons free again.
    bool runToTheEnd(const QString& serial = {}) {
      page->editSerial()->setText(serial);
      page->buttonStart()->click();
      if (!form->core().flags.testRunning || page->buttonStart()->isEnabled()) return false;
      return spinUntil([&] { return !boxes.seen().empty(); }) &&
             spinUntil([&] { return page->buttonStart()->isEnabled(); });
    }

    VirtualClock clock;
    SimBus bus;
    MessageBoxAnswerer boxes;
    std::unique_ptr<MainWindow> form;
    TestPage* page = nullptr;
    bool ready = false;
  };

  QTemporaryDir dir;
};

// "Старт" on the test tab: the worker runs the whole demo test on virtual time while the rows
// appear in StringGridTest, failed rows with a red strip, and the verdict comes as a box.
TEST_F(BenchUiTest, StartRunsTheTestOnTheWorkerAndTheGridShowsItsRows) {
  BenchWindow bench(dir.path(), {"current", "24V", "high"});
  ASSERT_TRUE(bench.ready);
  ASSERT_TRUE(bench.runToTheEnd("SN-1"));
  EXPECT_EQ(bench.boxes.seen().back().title, "Ошибка");
  EXPECT_EQ(bench.boxes.seen().back().text, "Ошибка при тесте мотора");
  MainWindow& form = *bench.form;
  TestPage* page = bench.page;

  // What the grid shows is what the core holds.
  const QVector<ResultGrid::Row> rows = form.core().bench.grid.rows();
  QTableWidget* grid = page->stringGridTest();
  ASSERT_EQ(grid->rowCount(), rows.size());
  EXPECT_EQ(grid->item(0, 0)->text(), "Шаг");
  EXPECT_EQ(grid->item(0, 1)->text(), "Состояние");
  int failed = 0;
  for (int r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(grid->item(r, 0)->text(), rows[r].step);
    EXPECT_EQ(grid->item(r, 1)->text(), rows[r].state);
    if (grid->item(r, 3)->text() == "1") ++failed;
  }
  EXPECT_EQ(failed, 1);
  EXPECT_TRUE(grid->item(rows.size() - 2, 1)->text().endsWith("за пределами грубого окна"));
  EXPECT_EQ(QDir(dir.filePath("reports")).entryList({"SN-1_*.csv"}).size(), 1);
}

// After a run on the demo bench (the demo's names, among them "Тележка в контрольном
// положении"): the page says how the run ended and selects no row; the grid's header stays in
// view however far the rows scroll; the step column, and the side panel's inputs, show whole
// names at every window size, and the grid leaves no room empty beside its columns.
TEST_F(BenchUiTest, AfterARunTheGridShowsWholeStepsUnderAFixedHeader) {
  QFile::remove(dir.filePath("mem.ini"));
  ASSERT_TRUE(QFile::copy(TARVIX_DEMO_MEM, dir.filePath("mem.ini")));
  QFile(dir.filePath("mem.ini")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", "COM1");
    ASSERT_TRUE(mem.flush());
  }
  BenchWindow bench(dir.path());
  ASSERT_TRUE(bench.ready);
  ASSERT_TRUE(bench.runToTheEnd());
  QApplication::processEvents();
  MainWindow& form = *bench.form;
  TestPage* page = bench.page;

  EXPECT_EQ(page->stepProgress()->text(), "Испытание завершено: ПРОЙДЕН");
  QTableWidget* grid = page->stringGridTest();
  EXPECT_TRUE(grid->selectionModel()->selectedRows().isEmpty());
  int lastShown = grid->rowCount() - 1;
  while (lastShown > 0 && grid->isRowHidden(lastShown)) --lastShown;
  EXPECT_FALSE(grid->item(lastShown, 0)->text().isEmpty());

  grid->scrollToBottom();
  QApplication::processEvents();
  EXPECT_TRUE(grid->horizontalHeader()->isVisible());
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Шаг");
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Состояние");
  EXPECT_TRUE(grid->isRowHidden(0));  // the header row is the grid's header, not a row

  const QString longest = "Тележка в контрольном положении";
  ASSERT_FALSE(grid->findItems(longest, Qt::MatchExactly).isEmpty());
  for (const QSize size : {QSize(1, 1), QSize(1920, 1080)}) {
    SCOPED_TRACE(size.width());
    form.resize(size);
    QApplication::processEvents();
    grid->horizontalScrollBar()->setValue(0);
    const int stepRight = grid->columnViewportPosition(0) + grid->columnWidth(0);
    EXPECT_GE(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(longest) + 8);
    EXPECT_LE(stepRight, grid->viewport()->width());
    // The strip closes the row at the grid's right edge; nothing of the grid stays empty.
    EXPECT_EQ(grid->columnViewportPosition(2) + grid->columnWidth(2), grid->viewport()->width());
    // The same name among the live inputs of the side panel.
    QTableWidget* inputs = form.sidePanel()->stringGridDigInputs();
    ASSERT_FALSE(inputs->findItems(longest, Qt::MatchExactly).isEmpty());
    EXPECT_GE(inputs->columnWidth(0), inputs->fontMetrics().horizontalAdvance(longest) + 8);
    if (const QString grab = qEnvironmentVariable("TARVIX_GRAB"); !grab.isEmpty())
      form.grab().save(QStringLiteral("%1-%2.png").arg(grab).arg(size.width()));
  }
}

// "Оператор" is kept in tp.ini from one run to the next, and every run of the window leaves its
// protocol (PDF) beside its report.
TEST_F(BenchUiTest, TheOperatorIsKeptAndEachRunLeavesItsProtocol) {
  {
    BenchWindow bench(dir.path());
    ASSERT_TRUE(bench.ready);
    bench.page->editOperator()->setText("Козлова Е. В.");
    ASSERT_TRUE(bench.runToTheEnd("SN-9"));
    EXPECT_TRUE(bench.page->editOperator()->isEnabled());
  }
  EXPECT_TRUE(tpText().contains("operator=Козлова Е. В."));
  const QStringList files = QDir(dir.filePath("reports")).entryList({"SN-9_*"}, QDir::Files);
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[0].chopped(4), files[1].chopped(4));  // the CSV and the PDF, one name
  MainWindow form(dir.path());
  EXPECT_EQ(form.tabSheetTest()->editOperator()->text(), "Козлова Е. В.");
}

// "Протоколы": the runs of reports/ newest first, damaged ones among them, the filters, the
// totals of what is shown with the first-pass yield, and the PDF opened by a double click.
TEST_F(BenchUiTest, ProtocolsListFilterCountAndOpen) {
  using O = TestRecord::Outcome;
  const QString reports = dir.filePath("reports");
  writeReport(reports, recordedRun("A-1", "Иванов", at("2024-12-31 23:50:00"), O::Failed));
  const QString passed =
      writeReport(reports, recordedRun("A-1", "Иванов", at("2025-01-01 08:05:00"), O::Passed));
  writeReport(reports, recordedRun("B-2", "Петров", at("2025-01-02 09:00:00"), O::Passed));
  ASSERT_TRUE(writeBytes(dir.filePath("reports/C-3_2025-01-03_10-00-00.csv"), "мусор"));
  ASSERT_TRUE(writeBytes(TestReport::protocolPath(passed), "%PDF-1.4"));

  MainWindow form(dir.path());
  form.tabSheetTest()->buttonProtocols()->click();
  ProtocolsWindow* w = form.benchUi()->protocolsWindow();
  ASSERT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), "Протоколы");
  const auto column = [&](int c) {
    QStringList out;
    for (int r = 0; r < w->model()->rowCount(); ++r)
      out << w->model()->index(r, c).data().toString();
    return out;
  };
  EXPECT_EQ(column(ProtocolListModel::When),
            (QStringList{"03.01.2025 10:00:00", "02.01.2025 09:00:00", "01.01.2025 08:05:00",
                         "31.12.2024 23:50:00"}));
  EXPECT_EQ(column(ProtocolListModel::Outcome),
            (QStringList{"ПОВРЕЖДЁН: не протокол испытания", "ПРОЙДЕН", "ПРОЙДЕН", "НЕ ПРОЙДЕН"}));
  EXPECT_EQ(w->labelTotals()->text(),
            "Испытано: 4   пройдено: 2   не пройдено: 1   прервано: 0   неисправность стенда: 0"
            "   повреждено: 1\nВыход годных с первого раза: 1 из 2 (50 %)");

  w->comboBoxOutcome()->setCurrentText("ПРОЙДЕН");
  w->editSerial()->setText("A-1");
  EXPECT_EQ(column(ProtocolListModel::When),
            (QStringList{"03.01.2025 10:00:00", "01.01.2025 08:05:00"}));
  EXPECT_TRUE(w->labelTotals()->text().endsWith("с первого раза: 0 из 1 (0 %)"));
  w->comboBoxOutcome()->setCurrentIndex(0);
  w->editSerial()->clear();
  w->dateEditSince()->setDate(QDate(2025, 1, 1));
  w->dateEditUntil()->setDate(QDate(2025, 1, 2));
  EXPECT_EQ(w->model()->rowCount(), 4);  // the period applies when ticked
  w->checkBoxPeriod()->setChecked(true);
  EXPECT_EQ(column(ProtocolListModel::Serial), (QStringList{"B-2", "A-1"}));

  QStringList opened;
  w->setOpener([&](const QString& path) {
    opened << path;
    return true;
  });
  QTableView* grid = w->gridProtocols();
  const auto doubleClick = [&](int row) {
    emit grid->doubleClicked(w->model()->index(row, ProtocolListModel::Serial));
  };
  doubleClick(1);
  EXPECT_EQ(opened, QStringList{TestReport::protocolPath(passed)});
  {
    MessageBoxAnswerer boxes;
    doubleClick(0);  // B-2 has no PDF
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(boxes.seen()[0].text.startsWith("Нет протокола PDF этого испытания:"));
  }
  EXPECT_EQ(opened.size(), 1);
  // Nothing of reports/ was changed.
  EXPECT_EQ(QDir(reports).entryList(QDir::Files).size(), 5);
}

TEST_F(BenchUiTest, BenchButtonsAskForTheirWords) {
  MainWindow form(dir.path());
  BenchUi* ui = form.benchUi();
  TestPage* page = form.tabSheetTest();
  EXPECT_EQ(ui->testTabButtons()->relayButton(1)->text(), "24В");  // [buttons_r4] b2
  EXPECT_EQ(ui->testTabButtons()->inputButton(0)->objectName(), "ToolButton5");
  EXPECT_EQ(ui->controlTabButtons()->relayButton(3)->objectName(), "ToolButton42");
  RequestFlags& r = form.core().requests;
  ui->controlTabButtons()->inputButton(1)->click();  // i2: bit 8 of the demo wiring
  ui->controlTabButtons()->inputButton(3)->click();  // i4: bit 11
  EXPECT_TRUE(r.r16Output);
  EXPECT_EQ(r.r16OutputWord, 0x900);
  ui->testTabButtons()->relayButton(2)->click();
  EXPECT_TRUE(r.d8r4Output);
  EXPECT_EQ(r.d8r4OutputWord, 0b100);
  // The two bars keep their own states.
  EXPECT_EQ(form.core().bench.testTabButtons.inputs(), 0);
  EXPECT_EQ(form.core().bench.controlTabButtons.inputs(), 0b1010);
  // The worker's reset releases the test tab's bar, told queued.
  form.core().bench.testTabButtons.set(0, 0);
  QApplication::processEvents();
  EXPECT_FALSE(ui->testTabButtons()->relayButton(2)->isChecked());
  page->button24V()->click();
  EXPECT_TRUE(r.bench24V);
  page->buttonReset()->click();
  EXPECT_TRUE(r.benchReset);
}

// 10000 is accepted, 10001 and -1 are refused with the message and nothing is written; a
// change of profile drops what was typed; "Сохранить" keeps the dialog open.
TEST_F(BenchUiTest, CurrentWindowsDialogChecksAndWrites) {
  SettingsStore tp(dir.filePath("tp.ini"));
  CurrentWindowsDialog dialog(tp);
  MessageBoxAnswerer boxes;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Дополнительные параметры");
  EXPECT_EQ(dialog.comboBoxCurProf()->currentText(), "Точный");
  QTableWidget* grid = dialog.stringGridTok();
  ASSERT_EQ(grid->rowCount(), 8);
  EXPECT_EQ(grid->item(0, 0)->text(), "24В вперед мин");
  EXPECT_EQ(grid->item(0, 1)->text(), "560");
  const QString before = tpText();
  for (const char* bad : {"10001", "-1"}) {
    grid->item(0, 1)->setText(bad);
    dialog.buttonSave()->click();
    ASSERT_FALSE(boxes.seen().empty());
    EXPECT_EQ(boxes.seen().back().title, "Ошибка");
    EXPECT_EQ(boxes.seen().back().text,
              "Некорректное значение параметра: 24В вперед мин - значение должно быть от 0 до "
              "10000 ");
    EXPECT_EQ(tpText(), before);
  }
  grid->item(0, 1)->setText("10000");
  dialog.buttonSave()->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(SettingsStore(dir.filePath("tp.ini")).readInteger("current_wnd_0", "24В вперед мин", 0),
            10000);
  grid->item(1, 1)->setText("5");
  dialog.comboBoxCurProf()->setCurrentIndex(1);
  emit dialog.comboBoxCurProf()->activated(1);
  EXPECT_EQ(grid->item(1, 1)->text(), "750");
  dialog.comboBoxCurProf()->setCurrentIndex(0);
  emit dialog.comboBoxCurProf()->activated(0);
  EXPECT_EQ(grid->item(1, 1)->text(), "640");  // the typed 5 went with the switch
  dialog.close();
}

TEST_F(BenchUiTest, StepsDialogWritesOnlyOnOK) {
  QTemporaryDir empty;
  SettingsStore tp(empty.filePath("tp.ini"));
  TestStepsDialog dialog;
  const auto answer = [&](const char* button, int untick) {
    ModalAnswerer answerer([&](QWidget* modal) {
      if (modal != &dialog) return;
      for (int i = 0; i < 6; ++i) EXPECT_TRUE(dialog.checkBox(i)->isChecked() || i == untick);
      dialog.checkBox(untick)->setChecked(false);
      dialog.findChild<QPushButton*>(button)->click();
    });
    return dialog.edit(tp);
  };
  EXPECT_FALSE(answer("ButtonCancel", 2));  // a file without the keys: all ticked
  EXPECT_FALSE(QFile::exists(empty.filePath("tp.ini")));
  EXPECT_TRUE(answer("ButtonOK", 3));
  EXPECT_EQ(SettingsStore(empty.filePath("tp.ini")).readInteger("overload", "do", -1), 0);
  EXPECT_EQ(SettingsStore(empty.filePath("tp.ini")).readInteger("motion", "final_do", -1), 1);
  EXPECT_EQ(dialog.checkBox(3)->text(), "Тест перегрузки");
}

}  // namespace

namespace {

// Without tp.ini the relay buttons are captioned 1 to 4, the edits show their defaults and the
// codes grid has its one row.
TEST(BenchUiDefaults, WithoutTpIni) {
  QTemporaryDir dir;
  MainWindow form(dir.path());
  BenchUi* ui = form.benchUi();
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(ui->testTabButtons()->relayButton(k)->text(), QString::number(k + 1));
  ui->TabSheetTestShow();
  QApplication::processEvents();
  TestPage* page = form.tabSheetTest();
  EXPECT_EQ(page->edit(TestSettings::Time0)->text(), "500");
  EXPECT_EQ(page->edit(TestSettings::OvTimeout)->text(), "5000");
  ASSERT_EQ(page->stringGridCodes()->rowCount(), 1);
  EXPECT_EQ(page->stringGridCodes()->item(0, 0)->text(), "name1");
  EXPECT_EQ(page->stringGridCodes()->item(0, 1)->text(), "0");
  EXPECT_FALSE(QFile::exists(dir.filePath("tp.ini")));

  // What the user types reaches the core, where the worker reads it.
  emit page->edit(TestSettings::OvRms)->textEdited("1500");
  page->stringGridCodes()->item(0, 1)->setText("257");
  EXPECT_EQ(form.core().bench.settings.text(TestSettings::OvRms), "1500");
  EXPECT_EQ(form.core().bench.settings.codes()[0].code, "257");
}

}  // namespace
