// "Обмен": opened from the tool bar while the worker polls, it shows the frames the worker
// hands over across threads, a fault injected on the bus as the client's text, and its
// controls act on the model. TARVIX_GRAB=FILE.png saves a picture of the window for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include "app/ui/MainWindow.h"
#include "link/BusMonitor.h"
#include "link/ui/BusMonitorWindow.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "ui/ModalAnswerer.h"

namespace {

bool spinUntil(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
  return done();
}

QStringList columnTexts(QTableView* table, int column) {
  QStringList texts;
  for (int r = 0; r < table->model()->rowCount(); ++r)
    texts << table->model()->index(r, column).data().toString();
  return texts;
}

TEST(BusMonitorWindowTest, ShowsTheWorkersFramesLiveAndActsOnTheModel) {
  QTemporaryDir dir;
  {
    QFile mem(dir.filePath("mem.ini"));
    ASSERT_TRUE(mem.open(QIODevice::WriteOnly));
    mem.write("[connect]\r\nport=COM1\r\nsleep=5\r\n");
  }
  // Real time, with short exchanges: on virtual time the worker would hand the window frames
  // faster than any window takes them, and on a busy machine the one faulty frame of the test
  // could be dropped from the ring before it is shown.
  Clock& clock = SteadyClock::instance();
  SimBus bus;
  MainWindow form(dir.path(), std::make_unique<MemoryLine>(bus, clock), clock);
  form.setAccessLevelSource([] { return 2; });
  MessageBoxAnswerer boxes;
  form.show();
  ASSERT_TRUE(spinUntil([&] { return bool(form.core().flags.moduleOnline); }));

  auto* button =
      form.findChild<QToolBar*>("ToolBar1")->findChild<QToolButton*>("ToolButtonTraffic");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->toolTip(), "Обмен с модулями");
  button->click();
  BusMonitorWindow* window = form.busMonitorWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Обмен");
  EXPECT_EQ(window->windowModality(), Qt::NonModal);
  EXPECT_TRUE(form.isEnabled());

  QTableView* table = window->table();
  ASSERT_TRUE(spinUntil([&] { return table->model()->rowCount() > 20; }));
  EXPECT_TRUE(columnTexts(table, BusMonitor::Address).contains("100 (модуль)"));
  EXPECT_TRUE(window->countersLabel()->text().startsWith("Запросов: "));

  // A fault on the bus shows as the client's own text, in the tint of failures.
  // The simulated bus belongs to the worker: the fault is set there, between two exchanges.
  form.core().cycle().post([&bus] { bus.faults().failNext(FaultKind::Crc); });
  const QString crc = "Ошибочный CRC в ответе от модуля";
  ASSERT_TRUE(spinUntil([&] { return columnTexts(table, BusMonitor::Result).contains(crc); }));
  const int failedRow = int(columnTexts(table, BusMonitor::Result).indexOf(crc));
  EXPECT_TRUE(table->model()->index(failedRow, 0).data(Qt::ForegroundRole).isValid());
  EXPECT_FALSE(table->model()->index(0, 0).data(Qt::ForegroundRole).isValid());

  window->failuresOnly()->click();
  EXPECT_GE(table->model()->rowCount(), 1);
  for (const QString& result : columnTexts(table, BusMonitor::Result)) EXPECT_EQ(result, crc);
  window->failuresOnly()->click();

  QComboBox* address = window->addressFilter();
  EXPECT_GE(address->findText("16 (R16)"), 1);
  EXPECT_GE(address->findText("17 (D8R4)"), 1);
  address->setCurrentIndex(address->findText("16 (R16)"));
  emit address->activated(address->currentIndex());
  EXPECT_EQ(table->model()->rowCount(), 0);  // the bench is not polled without a test
  address->setCurrentIndex(0);
  emit address->activated(0);

  // Pause: the table stands still while the counters go on.
  window->pauseButton()->click();
  const int rows = table->model()->rowCount();
  const uint64_t requests = form.core().busMonitor.counters().requests;
  ASSERT_TRUE(spinUntil([&] { return form.core().busMonitor.counters().requests > requests + 5; }));
  EXPECT_EQ(table->model()->rowCount(), rows);
  EXPECT_TRUE(window->countersLabel()->text().contains("Пауза"));
  window->pauseButton()->click();

  if (const QString grab = qEnvironmentVariable("TARVIX_GRAB"); !grab.isEmpty()) {
    QApplication::processEvents();
    window->grab().save(grab);
  }

  EXPECT_TRUE(window->saveTo(dir.filePath("trace.txt")));
  EXPECT_TRUE(QFile::exists(dir.filePath("trace.txt")));
  EXPECT_FALSE(window->saveTo(dir.filePath("missing/trace.txt")));
  ASSERT_TRUE(spinUntil([&] { return !boxes.seen().empty(); }));
  EXPECT_EQ(boxes.seen().back().title, "Ошибка");
  EXPECT_TRUE(boxes.seen().back().text.startsWith("Файл "))
      << boxes.seen().back().text.toStdString();

  window->clearButton()->click();  // no event in between: nothing new has come
  EXPECT_EQ(table->model()->rowCount(), 0);
  EXPECT_EQ(form.core().busMonitor.counters().requests, 0u);
  form.close();
}

}  // namespace
