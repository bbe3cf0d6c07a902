#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <thread>

#include "app/ui/LinkIndicator.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ProgressPanel.h"
#include "app/ui/SidePanel.h"
#include "link/CommThread.h"
#include "operation/ui/ControlPage.h"
#include "operation/ui/DiagramPage.h"
#include "operation/ui/ProfileBar.h"
#include "params/ui/ErrorsPage.h"
#include "params/ui/MainPage.h"
#include "ui/ModalAnswerer.h"

namespace {

// A main window over settings in a directory of its own, so no test touches a real mem.ini.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

  void writeFile(const QString& name, const QByteArray& content) {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }

  MainWindow& makeForm(int accessLevel = 2) {
    form_ = std::make_unique<MainWindow>(dir_.path());
    form_->setAccessLevelSource([accessLevel] { return accessLevel; });
    return *form_;
  }

  static void deliverQueued() { QCoreApplication::processEvents(); }

  QTemporaryDir dir_;
  std::unique_ptr<MainWindow> form_;
};

QStringList visibleTabs(const MainWindow& form) {
  QStringList names;
  QTabWidget* pages = form.pages();
  for (int i = 0; i < pages->count(); ++i)
    if (pages->isTabVisible(i)) names << pages->widget(i)->objectName();
  return names;
}

}  // namespace

TEST_F(MainWindowTest, VariantMarkerChoosesTitleAndFirmwareLimit) {
  struct Case {
    bool marker;
    QString title;
    int maxFirmware;
    QString firmwareVersions;  // as "О программе" lists them
  };
  for (const Case& c :
       {Case{false, "Tarvix", 205,
             "0, 100–104, 200–205; прочие версии до 205 — с раскладкой версии 201"},
        Case{true, "Morvex", 209,
             "0, 100–104, 200–205, 209; прочие версии до 209 — с раскладкой версии 201"}}) {
    SCOPED_TRACE(c.title.toStdString());
    QFile::remove(path("trv102.txt"));
    // Only the file's existence counts, not what it holds.
    if (c.marker) writeFile("trv102.txt", QByteArray());
    MainWindow& form = makeForm();
    EXPECT_EQ(form.windowTitle(), c.title);
    EXPECT_EQ(form.core().flags.maxFirmwareVersion, c.maxFirmware);
    // One version everywhere: the status bar's.
    const QStringList about = form.aboutText().split('\n');
    ASSERT_EQ(about.size(), 4);
    EXPECT_EQ(about[0], c.title);
    EXPECT_TRUE(about[1].startsWith("Версия ПО: 220.924 (сборка ")) << about[1].toStdString();
    EXPECT_EQ(about[3], "Версии прошивки модуля: " + c.firmwareVersions);
  }
}

TEST_F(MainWindowTest, FrameHasItsPagesInOrderAndStartsOnTheErrorsPage) {
  writeFile("mem.ini", "[measure]\r\nperiod=0x1F4\r\n");
  MainWindow& form = makeForm();
  const std::vector<std::pair<QString, QString>> expected = {
      {"TabSheetMain", "Основные"},      {"TabSheetFirm", "Ошибки"},
      {"TabSheetService", "Служебные"},  {"TabSheetLogTime", "Журнал и время"},
      {"TabSheetControl", "Управление"}, {"TabSheet1", "Диаграмма"},
      {"TabSheetTest", "Испытания"}};
  QTabWidget* pages = form.pages();
  ASSERT_EQ(pages->count(), static_cast<int>(expected.size()));
  for (int i = 0; i < pages->count(); ++i) {
    EXPECT_EQ(pages->widget(i)->objectName(), expected[i].first);
    EXPECT_EQ(pages->tabText(i), expected[i].second);
  }
  EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheetFirm");
  EXPECT_FALSE(form.pollTimer()->isActive());
  EXPECT_EQ(form.font().family(), "Arial");

  // The side panel sits to the right of the pages.
  form.resize(1200, 700);
  form.show();
  QCoreApplication::processEvents();  // FormShow runs once the window is up
  EXPECT_GT(form.sidePanel()->mapTo(&form, QPoint()).x(), pages->mapTo(&form, QPoint()).x());
  EXPECT_TRUE(form.progressPanel()->isHidden());
  form.close();
}

TEST_F(MainWindowTest, StatusBarPanelsCarryTheStatusLineFromEitherThread) {
  MainWindow& form = makeForm();
  const int widths[] = {500, 300, 200, 100};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(form.statusPanel(i)->width(), widths[i]) << i;
  EXPECT_GE(form.statusPanel(4)->minimumWidth(), 40);

  form.show();
  QCoreApplication::processEvents();  // FormShow runs once the window is up
  deliverQueued();
  EXPECT_EQ(form.statusPanel(4)->text(), "Версия ПО: 220.924");
  EXPECT_GE(form.statusPanel(4)->width(), 40);
  std::thread worker([&] { form.core().status.setText(StatusLine::Logic, "Логика 3"); });
  worker.join();
  deliverQueued();
  EXPECT_EQ(form.statusPanel(StatusLine::Logic)->text(), "Логика 3");
  form.close();
}

// Timer1 follows the worker and the dialogs, and takes the poll period whenever it starts.
TEST_F(MainWindowTest, PollTimerFollowsTheWorker) {
  writeFile("mem.ini", "[measure]\r\nperiod=0x1F4\r\n");
  MainWindow& form = makeForm();
  for (bool on : {true, false, true}) {
    std::thread worker([&] { form.core().status.setPollTimerActive(on); });
    worker.join();
    deliverQueued();
    EXPECT_EQ(form.pollTimer()->isActive(), on);
  }
  EXPECT_EQ(form.pollTimer()->interval(), 500);
  form.core().mem.writeInteger("measure", "period", 250);
  form.core().status.setPollTimerActive(false);
  form.core().status.setPollTimerActive(true);
  deliverQueued();
  EXPECT_EQ(form.pollTimer()->interval(), 250);
}

TEST_F(MainWindowTest, AccessLevelDecidesWhatCanBeReached) {
  MessageBoxAnswerer reloadPrompt(QMessageBox::Cancel);  // the main tab asks when it is shown
  const QStringList all = {"TabSheetMain",    "TabSheetFirm", "TabSheetService", "TabSheetLogTime",
                           "TabSheetControl", "TabSheet1",    "TabSheetTest"};
  const QStringList guest = {"TabSheetFirm", "TabSheetLogTime", "TabSheetControl", "TabSheet1"};
  QStringList level1 = all;
  level1.removeOne("TabSheetTest");
  struct Case {
    int level;
    QStringList tabs;
    bool benchToolBar;
    bool buttonConnect;
  };
  for (const Case& c : {Case{0, guest, false, true}, Case{1, level1, false, false},
                        Case{2, all, true, false}, Case{7, guest, false, true}}) {
    SCOPED_TRACE(c.level);
    MainWindow& form = makeForm(c.level);
    form.pages()->setCurrentIndex(0);
    form.show();
    QCoreApplication::processEvents();  // FormShow runs once the window is up
    EXPECT_EQ(form.accessLevel(), c.level);
    EXPECT_EQ(visibleTabs(form), c.tabs);
    EXPECT_EQ(form.pages()->currentWidget()->isVisible(), true);
    if (c.level != 1 && c.level != 2) {
      EXPECT_EQ(form.pages()->currentWidget()->objectName(), "TabSheetFirm");
    }
    EXPECT_EQ(!form.tabSheetControl()->benchToolBar()->isHidden(), c.benchToolBar);
    EXPECT_EQ(!form.tabSheetControl()->buttonConnect()->isHidden(), c.buttonConnect);
    ASSERT_NE(form.core().worker(), nullptr);
    form.close();
  }
}

TEST_F(MainWindowTest, ClosingEndsTheWorkerThenSavesTheDiagramSetting) {
  for (int stored : {0, 1}) {
    SCOPED_TRACE(stored);
    writeFile("mem.ini", QByteArray("[measure]\r\nreset_diag=") + QByteArray::number(stored) +
                             "\r\n[connect]\r\nadr=5\r\n");
    MainWindow& form = makeForm();
    QCheckBox* resetManually = form.tabSheetDiagram()->checkBoxResetDiagManually();
    EXPECT_EQ(resetManually->isChecked(), stored == 1);
    form.show();
    QCoreApplication::processEvents();  // FormShow runs once the window is up
    CommThread* worker = form.core().worker();
    ASSERT_TRUE(worker && worker->isRunning());
    resetManually->setChecked(stored == 0);

    MessageBoxAnswerer boxes;
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(worker->isFinished());
    // The worker clears the request as its last act.
    EXPECT_FALSE(form.core().flags.workerStopRequest);
    EXPECT_FALSE(form.pollTimer()->isActive());
    EXPECT_FALSE(form.core().port().isOpen());
    EXPECT_TRUE(boxes.seen().empty());
    SettingsStore saved(path("mem.ini"));
    EXPECT_EQ(saved.readInteger("measure", "reset_diag", -1), stored == 0 ? 1 : 0);
    EXPECT_EQ(saved.readInteger("connect", "adr", -1), 5);
  }
}

// Typed values not yet in the module keep the window open unless the user leaves them; the
// window's place and tab come back in the next run.
TEST_F(MainWindowTest, ClosingAsksForUnwrittenValuesAndKeepsTheWindowState) {
  MainWindow& form = makeForm();
  form.show();
  QCoreApplication::processEvents();
  ParameterTables& tables = form.core().params.tables;
  tables.setStructure(ParameterTables::Timers, "", 96, 2, {"a", "b"});
  tables.setBufferValue(ParameterTables::Timers, 0, 200);
  tables.setCellText(ParameterTables::Timers, 0, "200");
  tables.setCellText(ParameterTables::Timers, 1, "---");  // a lost link's blank is no typing
  EXPECT_EQ(tables.unwrittenRows(ParameterTables::Timers), 0);
  tables.setCellText(ParameterTables::Timers, 0, "250");
  form.pages()->setCurrentWidget(form.tabSheetControl());
  form.setGeometry(40, 50, 1400, 900);
  // No narrower than the window can be, which depends on the system's fonts.
  const QSize placed = form.size();
  {
    MessageBoxAnswerer cancel(QMessageBox::Cancel);
    EXPECT_FALSE(form.close());
    ASSERT_EQ(cancel.seen().size(), 1u);
    EXPECT_TRUE(cancel.seen()[0].text.contains("Параметры таймеров"));
  }
  EXPECT_TRUE(form.core().worker()->isRunning());
  {
    MessageBoxAnswerer ok(QMessageBox::Ok);
    EXPECT_TRUE(form.close());
  }
  QFile journal(path("tarvix.log"));
  ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
  const QString story = QString::fromUtf8(journal.readAll());
  EXPECT_TRUE(story.contains("Сеанс начат: Tarvix ")) << story.toStdString();
  EXPECT_TRUE(story.contains("уровень доступа 2"));
  EXPECT_TRUE(story.contains("Сеанс завершён"));
  MainWindow& next = makeForm();
  EXPECT_TRUE(next.restoreWindowState());
  EXPECT_EQ(next.size(), placed);
  next.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(next.pages()->currentWidget(), next.tabSheetControl());
}

TEST_F(MainWindowTest, ClosingSaysWhenTheSettingsCannotBeSaved) {
  // A directory where mem.ini should be: the store reads nothing and cannot replace it.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("mem.ini"));
  MainWindow& form = makeForm();
  form.show();
  QCoreApplication::processEvents();  // FormShow runs once the window is up
  MessageBoxAnswerer boxes;
  EXPECT_TRUE(form.close());
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
  EXPECT_FALSE(form.core().mem.lastError().isEmpty());
  EXPECT_TRUE(boxes.seen()[0].text.contains(form.core().mem.lastError()));
  EXPECT_FALSE(form.core().worker()->isRunning());
}

TEST_F(MainWindowTest, LinkLampFollowsTheOnlineFlag) {
  MainWindow& form = makeForm();
  AppContext& core = form.core();
  EXPECT_EQ(form.linkLamp()->color(), LinkIndicator::kOfflineColor);

  core.flags.moduleOnline = true;
  core.status.setText(StatusLine::Link, "МОДУЛЬ НА СВЯЗИ");
  deliverQueued();
  EXPECT_EQ(form.linkLamp()->color(), QColor(0, 255, 0));
  EXPECT_EQ(form.statusPanel(StatusLine::Link)->text(), "МОДУЛЬ НА СВЯЗИ");

  // Every value that keeps its last reading while the link is down is greyed with the rest.
  const std::vector<QWidget*> live = {form.tabSheetMain()->staticTextMotorVoltage(),
                                      form.tabSheetControl()->commandText(),
                                      form.tabSheetControl()->controlStateText(),
                                      form.statusPanel(StatusLine::Control),
                                      form.statusPanel(StatusLine::Firmware),
                                      form.statusPanel(StatusLine::Logic),
                                      form.tabSheetFirm()};
  for (QWidget* w : live) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

  // The failure text is set before the flag drops; the lamp must still end grey.
  core.link().showLinkFailure("Нет ответа");
  deliverQueued();
  EXPECT_EQ(form.linkLamp()->color(), LinkIndicator::kOfflineColor);
  for (QWidget* w : live) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

  core.flags.moduleOnline = true;
  std::thread worker([&] { core.status.setText(StatusLine::Link, "МОДУЛЬ НА СВЯЗИ"); });
  worker.join();
  deliverQueued();
  EXPECT_TRUE(form.linkLamp()->isOnline());
}

TEST_F(MainWindowTest, PassDurationSaysWhatItIs) {
  MainWindow& form = makeForm();
  form.core().status.setPassDuration(245);
  deliverQueued();
  EXPECT_EQ(form.sidePanel()->passDurationLabel()->text(), "Цикл опроса: 245 мс");
}

TEST_F(MainWindowTest, ToolBarButtonsBreakAndRestoreTheLinkAndSetTheFont) {
  MainWindow& form = makeForm();
  const auto button = [&](const char* name) {
    return form.findChild<QToolButton*>(QString::fromLatin1(name));
  };
  const std::vector<std::pair<const char*, QString>> hints = {
      {"ToolButton1", "Настройки связи программы"},
      {"ToolButton2", "Настройки программы"},
      {"ToolButton3", "Прервать связь"},
      {"ToolButton4", "Восстановить связь"},
      {"ToolButton38", "Шрифт"},
      {"ToolButtonTraffic", "Обмен с модулями"},
      {"ToolButtonAbout", "О программе"}};
  // Each button has a picture of its own.
  std::map<QByteArray, const char*> pictures;
  for (const auto& [name, hint] : hints) {
    ASSERT_NE(button(name), nullptr) << name;
    EXPECT_EQ(button(name)->toolTip(), hint);
    const QImage image = button(name)->icon().pixmap(24, 24).toImage();
    const QByteArray bytes(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    const auto [same, added] = pictures.emplace(bytes, name);
    EXPECT_TRUE(added) << name << " looks like " << same->second;
  }

  button("ToolButton3")->click();
  EXPECT_TRUE(form.core().flags.linkSuspended);
  button("ToolButton4")->click();
  EXPECT_FALSE(form.core().flags.linkSuspended);
  EXPECT_TRUE(form.pollTimer()->isActive());

  // A family of this system's that comes in every size, so 17 points is 17 points.
  const QStringList families = QFontDatabase::families();
  const auto found = std::find_if(families.begin(), families.end(), [](const QString& family) {
    return QFontDatabase::isSmoothlyScalable(family);
  });
  ASSERT_NE(found, families.end()) << "no scalable font among " << qPrintable(families.join(", "));
  const QString scalable = *found;
  for (bool accept : {false, true}) {
    ModalAnswerer user([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFontDialog*>(modal);
      if (!dialog || !dialog->isVisible()) return;
      dialog->setCurrentFont(QFont(scalable, 17));
      accept ? dialog->accept() : dialog->reject();
    });
    button("ToolButton38")->click();
    EXPECT_EQ(form.font().pointSize() == 17, accept);
  }
  // Controls that take the window's font follow it; grid rows and profile buttons grow with it.
  EXPECT_EQ(form.statusPanel(0)->font().pointSize(), 17);
  QCoreApplication::processEvents();
  QTableWidget* grid = form.sidePanel()->stringGridDigInputs();
  ASSERT_GT(grid->rowCount(), 0);
  EXPECT_GE(grid->rowHeight(0), grid->fontMetrics().height());
  EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), grid->rowHeight(0));
  for (int n = 1; n <= ProfileBar::kButtons; ++n)
    EXPECT_GT(form.profileBar()->profileButton(n)->width(), ProfileBar::kButtonWidth);
}
