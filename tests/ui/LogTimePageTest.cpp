// The log and time page: its look, and the core's log and clock drawn and driven through it.
// The window is not shown, so no worker runs: the test runs the passes itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <atomic>

#include "app/ui/MainWindow.h"
#include "app/ui/ProgressPanel.h"
#include "operation/ui/LogTimePage.h"
#include "params/ui/ErrorsPage.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/WaitUntil.h"
#include "ui/ModalAnswerer.h"

namespace {

// Types `text` into the edit as the user would, replacing what it holds.
void type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
  }
}

class LogTimePageTest : public ::testing::Test {
 protected:
  LogTimePageTest() {
    QFile ini(dir.filePath("mem.ini"));
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[connect]\r\nport=COM1\r\n"
        "[log_cmd]\r\n; what register 340 codes 1.. mean\r\nВкатить/Включить\r\n\r\n"
        "Выкатить/Отключить\r\n3=Сброс\r\n"
        "[log_sw]\r\nОба концевика разомкнуты\r\nКонцевик ВКЛ замкнут\r\n");
    ini.close();
    form =
        std::make_unique<MainWindow>(dir.path(), std::make_unique<MemoryLine>(bus, clock), clock);
    form->pages()->setCurrentWidget(page());
  }
  LogTimePage* page() { return form->tabSheetLogTime(); }
  AppContext& core() { return form->core(); }
  QPushButton* stopButton() { return form->progressPanel()->buttonStopReadingLog(); }
  // One pass of the worker, then what it told the window.
  void pass() {
    core().cycle().pollPass();
    QCoreApplication::processEvents();
  }
  QStringList gridRow(int row) {
    QStringList cells;
    for (int c = 0; c < 6; ++c) {
      const QTableWidgetItem* item = page()->stringGridLog()->item(row, c);
      cells << (item ? item->text() : QString());
    }
    return cells;
  }

  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  std::unique_ptr<MainWindow> form;
};

TEST_F(LogTimePageTest, LooksAsTheFormHasIt) {
  QTableWidget* log = page()->stringGridLog();
  ASSERT_EQ(log->columnCount(), 6);
  const int widths[] = {50, 79, 76, 82, 312, 55};
  const char* headers[] = {"№", "Дата", "Время", "Тип", "Данные", "Данные"};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(log->columnWidth(c), widths[c]);
    EXPECT_EQ(log->horizontalHeaderItem(c)->text(), headers[c]);
  }
  EXPECT_EQ(log->rowCount(), 1);  // below the header
  EXPECT_EQ(page()->checkBoxKeepLog()->text(), "Вести журнал");
  EXPECT_EQ(page()->buttonReadLog()->text(), "Прочитать записей:");
  EXPECT_EQ(page()->buttonClear()->text(), "Очистить таблицу и обновить счетчик записей");
  EXPECT_TRUE(stopButton()->isHidden());
  EXPECT_EQ(stopButton()->parentWidget(), form->progressPanel());

  const QStringList captions = {"Год", "Месяц", "Число", "Часы", "Минуты", "Секунды"};
  QTableWidget* time = page()->stringGridTime();
  ASSERT_EQ(time->rowCount(), 6);
  ASSERT_EQ(time->columnCount(), 2);
  for (int r = 0; r < 6; ++r) {
    EXPECT_EQ(time->item(r, 0)->text(), captions[r]);
    EXPECT_FALSE(time->item(r, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(time->cellWidget(r, 1), page()->newValueEdit(r));  // the editor always shown
  }
  EXPECT_TRUE(page()->checkBoxUpdateDT()->isChecked());

  for (int i = 0; i < 6; ++i) {
    const QLineEdit* edit = page()->clockEdit(i);
    EXPECT_EQ(edit->text(), "----");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(0, 255, 0));
    EXPECT_TRUE(edit->font().bold());
    EXPECT_EQ(edit->font().pixelSize(), 35);
    EXPECT_EQ(edit->font().family(), LogTimePage::clockFontFamily());
  }
  EXPECT_EQ(page()->clockEdit(0)->objectName(), "EditYear");
  EXPECT_EQ(page()->clockEdit(5)->objectName(), "EditSecond");

  // Every line of the sections that is not blank and no comment is one text, taken whole.
  EXPECT_EQ(core().operation.log.commandTexts(),
            QStringList({"Вкатить/Включить", "Выкатить/Отключить", "3=Сброс"}));
  EXPECT_EQ(core().operation.log.switchTexts().size(), 2);
}

TEST_F(LogTimePageTest, ChoosingThePageAsksForTheLogState) {
  LogTimePage shown;
  shown.bind(core().operationContext(), {}, nullptr);
  shown.show();
  EXPECT_TRUE(core().requests.module[RequestFlags::LogTab]);
}

TEST_F(LogTimePageTest, FetchedRecordsCountersAndClockReachThePage) {
  ModuleModel& m = bus.module();
  m.setClockSeconds(1709294400);
  m.logEvent(ModuleLog::Command, 1, 0);
  m.logEvent(ModuleLog::EndPositions, 1, 0);
  m.logEvent(ModuleLog::Command, 3, 0);
  pass();
  core().requests.module[RequestFlags::LogTab] = true;
  pass();
  EXPECT_EQ(page()->unreadCounterText()->text(), "3");
  EXPECT_EQ(page()->editReadCount()->text(), "3");
  EXPECT_TRUE(page()->checkBoxKeepLog()->isChecked());
  EXPECT_EQ(page()->clockEdit(0)->text(), "2024");
  EXPECT_EQ(page()->clockEdit(2)->text(), "01");
  EXPECT_EQ(page()->clockEdit(3)->text(), "12");

  type(page()->editReadCount(), "2");
  page()->buttonReadLog()->click();
  pass();
  ASSERT_EQ(page()->stringGridLog()->rowCount(), 2);
  EXPECT_EQ(gridRow(0),
            QStringList({"1", "01.03.2024", "12:00:00", "КОМАНДА", "Вкатить/Включить", ""}));
  EXPECT_EQ(gridRow(1),
            QStringList({"2", "01.03.2024", "12:00:00", "КОНЦЕВИКИ", "Концевик ВКЛ замкнут", ""}));
  EXPECT_EQ(page()->unreadCounterText()->text(), "1");
  EXPECT_TRUE(form->progressPanel()->isHidden());

  type(page()->editReadCount(), "sieben");
  page()->buttonReadLog()->click();
  pass();
  EXPECT_EQ(page()->editReadCount()->text(), "1");
  EXPECT_EQ(gridRow(2)[4], "3=Сброс");

  page()->buttonClear()->click();
  pass();
  EXPECT_EQ(page()->stringGridLog()->rowCount(), 1);
  EXPECT_EQ(gridRow(0), QStringList(6, QString()));
  EXPECT_EQ(page()->unreadCounterText()->text(), "0");
}

TEST_F(LogTimePageTest, StopButtonShowsWhileFetching) {
  EventLogState& log = core().operation.log;
  log.setFetching(true);
  QCoreApplication::processEvents();
  EXPECT_FALSE(stopButton()->isHidden());
  stopButton()->click();
  EXPECT_TRUE(log.stopRequest);
  log.setFetching(false);
  QCoreApplication::processEvents();
  EXPECT_TRUE(stopButton()->isHidden());
}

// The switch is written by the worker between two exchanges; until then, and after a refusal,
// the box shows what the module holds.
TEST_F(LogTimePageTest, KeepLogClickIsAJobOfTheWorker) {
  pass();
  core().requests.module[RequestFlags::LogTab] = true;
  pass();
  QCheckBox* box = page()->checkBoxKeepLog();
  ASSERT_TRUE(box->isChecked());
  box->click();
  EXPECT_EQ(bus.module().get(335), 1);  // not from the window's thread
  pass();
  EXPECT_EQ(bus.module().get(335), 0);
  EXPECT_FALSE(box->isChecked());

  bus.module().setWriteHook([&](uint16_t first, uint16_t) {
    if (first == 335) {
      bus.module().set(335, 0);
      bus.faults().failAlways(FaultKind::Exception);
    }
  });
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    if (first == 335) bus.faults().clear();
  });
  MessageBoxAnswerer user;
  box->click();
  EXPECT_TRUE(box->isChecked());
  pass();
  EXPECT_FALSE(box->isChecked());
  ASSERT_EQ(user.seen().size(), 1u);
  EXPECT_EQ(user.seen()[0].title, "Ошибка");
}

TEST_F(LogTimePageTest, NewClockTableFollowsTheComputerOrTheUser) {
  core().operation.clock.setLocalTimeSource(
      [] { return QDateTime(QDate(2030, 12, 31), QTime(23, 59, 58)); });
  pass();
  pass();
  EXPECT_EQ(page()->newValueEdit(0)->text(), "2030");
  EXPECT_EQ(page()->newValueEdit(5)->text(), "58");

  page()->checkBoxUpdateDT()->click();
  type(page()->newValueEdit(1), "2");
  type(page()->newValueEdit(2), "30");
  type(page()->newValueEdit(3), "12");
  type(page()->newValueEdit(4), "0");
  type(page()->newValueEdit(5), "0");
  type(page()->newValueEdit(0), "2024");
  pass();
  EXPECT_EQ(page()->newValueEdit(0)->text(), "2024");  // no longer overwritten
  page()->buttonSetDateTime()->click();
  pass();
  EXPECT_EQ(bus.module().clockSeconds(), 1709294400u);

  type(page()->newValueEdit(0), "1999");
  MessageBoxAnswerer user;
  page()->buttonSetDateTime()->click();
  pass();
  ASSERT_EQ(user.seen().size(), 1u);
  EXPECT_EQ(user.seen()[0].title, "Ошибка");
  EXPECT_EQ(user.seen()[0].text, "Число в ячейке: Год не может быть меньше 2000");
  EXPECT_EQ(bus.module().clockSeconds(), 1709294400u);
}

TEST_F(LogTimePageTest, SavesTheFetchedRecords) {
  core().operation.log.setRow(1, {"1", "01.03.2024", "12:00:00", "КОМАНДА", "Сброс", ""});
  const QString path = dir.filePath("журнал.csv");
  ASSERT_TRUE(page()->saveLogFile(path));
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), core().operation.log.toCsv());

  // "Сохранить журнал..." asks for the file; ".csv" is added to a bare name.
  ModalAnswerer chooser([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog || dialog->objectName() != QLatin1String("SaveDialogLog")) return;
    EXPECT_EQ(dialog->nameFilters(), QStringList("Файлы CSV (*.csv)"));
    dialog->selectFile(dir.filePath("записи"));
    QMetaObject::invokeMethod(
        dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); }, Qt::QueuedConnection);
  });
  const QString before = QDir::currentPath();
  page()->buttonSaveLog()->click();
  EXPECT_TRUE(QFile::exists(dir.filePath("записи.csv")));
  EXPECT_EQ(QDir::currentPath(), before);

  MessageBoxAnswerer user;
  EXPECT_FALSE(page()->saveLogFile(dir.path()));  // a directory
  ASSERT_EQ(user.seen().size(), 1u);
  EXPECT_EQ(user.seen()[0].title, "Ошибка");
  EXPECT_TRUE(user.seen()[0].text.startsWith("Не удалось сохранить журнал в файл "));
}

// With the worker running: the window stays live during a fetch, and "Остановить" in the
// progress panel ends it after the record in progress.
TEST_F(LogTimePageTest, StopDuringAFetchOnTheWorker) {
  for (int i = 0; i < 100; ++i) bus.module().logEvent(ModuleLog::Command, 2, 0);
  std::atomic_int blockReads{0};
  std::atomic_bool holding{false}, release{false};
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    // The third record's read waits until the user has pressed the button.
    if (first != 337 || ++blockReads != 3) return;
    holding = true;
    waitUntil([&] { return bool(release); });
  });
  const auto live = [](const std::function<bool()>& done) {
    return waitUntil([&] {
      QCoreApplication::processEvents();
      return done();
    });
  };
  form->setAccessLevelSource([] { return 1; });
  form->pages()->setCurrentWidget(form->tabSheetFirm());
  form->show();
  QCoreApplication::processEvents();  // FormShow starts the worker
  form->pages()->setCurrentWidget(page());
  ASSERT_TRUE(live([&] { return page()->unreadCounterText()->text() == "100"; }));

  page()->buttonReadLog()->click();
  // Held in the third record: what the worker told before shows meanwhile.
  ASSERT_TRUE(live([&] { return holding && form->progressPanel()->text() == "Запись 2 ОК"; }));
  EXPECT_TRUE(stopButton()->isVisible());
  stopButton()->click();
  release = true;
  ASSERT_TRUE(live([&] { return stopButton()->isHidden() && form->progressPanel()->isHidden(); }));
  ASSERT_TRUE(live([&] { return page()->unreadCounterText()->text() == "97"; }));
  EXPECT_EQ(page()->stringGridLog()->rowCount(), 3);
  EXPECT_EQ(gridRow(2)[4], "Выкатить/Отключить");
  EXPECT_EQ(blockReads, 3);
  form->close();
}

}  // namespace
