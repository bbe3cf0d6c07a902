// The main and service tabs draw the core tables and hand what the user does back to the core.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/ui/MainWindow.h"
#include "bench/ui/TestPage.h"
#include "operation/ui/DiagramPage.h"
#include "params/ui/ErrorsPage.h"
#include "params/ui/MainPage.h"
#include "params/ui/ParameterGrid.h"
#include "params/ui/ServicePage.h"
#include "ui/ModalAnswerer.h"

namespace {

class ParameterPagesTest : public ::testing::Test {
 protected:
  ParameterPagesTest() : form(dir.path()), core(form.core()) { form.resize(1400, 800); }

  // As identification leaves the tables for `version`.
  void identify(int version, int revision = 0) {
    ParameterTables::Firmware f;
    f.version = version;
    f.revision = revision;
    f.built = true;
    core.params.tables.setFirmware(f);
    QStringList inputs, debug;
    for (int i = 1; i <= 17; ++i) inputs << QString("in %1").arg(i);
    for (int i = 1; i <= 16; ++i) debug << QString("dbg %1").arg(i);
    core.params.tables.setStructure(ParameterTables::DigInputs, "", 16, 17, inputs);
    core.params.tables.setStructure(ParameterTables::Debug, "", 256, 16, debug);
    core.params.tables.setStructure(ParameterTables::Timers, "", 97, 3, {"t1", "t2", "t3"});
    core.params.tables.announceStructure();
    QCoreApplication::processEvents();
  }

  QTemporaryDir dir;
  MainWindow form;
  AppContext& core;
};

TEST_F(ParameterPagesTest, GroupsFollowTheFirmware) {
  MainPage* main = form.tabSheetMain();
  ServicePage* service = form.tabSheetService();
  auto shown = [](QWidget* w) { return !w->isHidden(); };
  // Nothing identified yet.
  EXPECT_FALSE(shown(main->outputLogicGroup()));
  EXPECT_FALSE(shown(main->motorVoltageGroup()));
  EXPECT_FALSE(shown(service->autoResetGroup()));
  EXPECT_FALSE(shown(service->groupBoxInversion()));

  struct Case {
    int version, revision;
    bool outputs, motor, autoReset, inversion;
  };
  for (const Case& c :
       {Case{102, 0, false, false, false, false}, Case{103, 0, true, false, false, false},
        Case{104, 0, true, false, true, false}, Case{202, 0, true, true, false, false},
        Case{204, 12, true, true, true, false}, Case{204, 13, true, true, true, true},
        Case{205, 0, true, true, true, true}}) {
    SCOPED_TRACE(c.version * 100 + c.revision);
    identify(c.version, c.revision);
    EXPECT_EQ(shown(main->outputLogicGroup()), c.outputs);
    EXPECT_EQ(shown(main->motorVoltageGroup()), c.motor);
    EXPECT_EQ(shown(service->autoResetGroup()), c.autoReset);
    EXPECT_EQ(shown(service->groupBoxInversion()), c.inversion);
  }
  // The inversion items are named after the first ten inputs; their marks stay.
  QListWidget* list = service->checkListBoxInversion();
  ASSERT_EQ(list->count(), 10);
  EXPECT_EQ(list->item(0)->text(), "in 1");
  EXPECT_EQ(list->item(9)->text(), "in 10");
  EXPECT_EQ(main->radioButtonAlarmOn()->text(), "alarm relay on by alarm");
  EXPECT_EQ(main->radioButtonInverse()->text(), "motor output inverse");
}

TEST_F(ParameterPagesTest, DiagramSelectorsOfferTheDebugNames) {
  core.params.diagramValueIndex = 3;
  core.params.testDiagramValueIndex = 0;
  identify(205);
  QComboBox* diagram = form.tabSheetDiagram()->comboBoxParsDiag();
  QComboBox* test = form.tabSheetTest()->comboBoxTestDiag();
  ASSERT_EQ(diagram->count(), 16);
  EXPECT_EQ(diagram->itemText(15), "dbg 16");
  EXPECT_EQ(diagram->currentIndex(), 3);
  EXPECT_EQ(test->currentIndex(), 0);
  // A choice is remembered in mem.ini and sampled from then on.
  test->activated(5);
  EXPECT_EQ(core.params.testDiagramValueIndex, 5);
  EXPECT_EQ(SettingsStore(core.mem.path()).readString("measure", "diag_test", ""), "dbg 6");
}

TEST_F(ParameterPagesTest, EditsReachTheCoreAndReadsReachTheWindow) {
  identify(205);
  QTableWidget* timers = form.tabSheetMain()->stringGridTimers();
  ASSERT_EQ(timers->rowCount(), 3);
  {
    // Names take what the value column leaves: width - 48 - 24.
    std::unique_ptr<QTableWidget> grid(ParameterGrid::makeGrid("grid", nullptr));
    new ParameterGrid(grid.get(), core.params.tables, ParameterTables::Timers);
    grid->resize(300, 200);
    grid->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->columnWidth(0), 300 - 48 - 24);
    EXPECT_GE(grid->columnWidth(1), 48);
  }
  const uint16_t read[] = {10, 20, 30};
  core.params.tables.storeRead(ParameterTables::Timers, read, 3);
  QCoreApplication::processEvents();
  EXPECT_EQ(timers->item(1, 1)->text(), "20");
  timers->item(1, 1)->setText(" 25 ");
  EXPECT_EQ(core.params.tables.cellText(ParameterTables::Timers, 1), "25");
  EXPECT_EQ(core.params.tables.bufferValue(ParameterTables::Timers, 1), 20);

  core.params.tables.updateChoices([](ParameterTables::Choices& c) {
    c.alarmOn = false;
    c.direct = true;
    c.motorVoltageType = 1;
    c.motorVoltageShown = true;
    c.inversionChecked[2] = true;
  });
  QCoreApplication::processEvents();
  MainPage* main = form.tabSheetMain();
  EXPECT_TRUE(main->radioButtonAlarmOff()->isChecked());
  EXPECT_TRUE(main->radioButtonDirect()->isChecked());
  EXPECT_EQ(main->staticTextMotorVoltage()->text(), "220V");
  EXPECT_EQ(form.tabSheetService()->checkListBoxInversion()->item(2)->checkState(), Qt::Checked);

  main->radioButtonAlarmOn()->click();
  form.tabSheetService()->checkListBoxInversion()->item(2)->setCheckState(Qt::Unchecked);
  const ParameterTables::Choices c = core.params.tables.choices();
  EXPECT_TRUE(c.alarmOn);
  EXPECT_TRUE(c.direct);
  EXPECT_FALSE(c.inversionChecked[2]);
}

TEST_F(ParameterPagesTest, ShowingTheMainTabOffersToReload) {
  form.setAccessLevelSource([] { return 2; });
  form.show();
  QCoreApplication::processEvents();
  for (auto answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
    MessageBoxAnswerer user(answer);
    form.pages()->setCurrentWidget(form.tabSheetFirm());
    form.pages()->setCurrentWidget(form.tabSheetMain());
    for (int i = 0; i < 50 && user.seen().empty(); ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(user.seen().size(), 1u);
    EXPECT_EQ(user.seen()[0].title, "ВНИМАНИЕ!");
    QStringList buttons = user.seen()[0].buttons;
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"ОК", "Отмена"}));
    EXPECT_EQ(core.requests.module[RequestFlags::MainRead], answer == QMessageBox::Ok);
  }
  // The service tab asks for its tables without a question.
  form.pages()->setCurrentWidget(form.tabSheetService());
  EXPECT_TRUE(core.requests.module[RequestFlags::ServiceRead]);
  form.close();
}

}  // namespace
