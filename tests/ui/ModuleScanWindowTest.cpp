// "Поиск модулей": the module whose address and speed were changed is found at its own
// settings, and "Использовать" makes the program talk to it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "link/LinkFlags.h"
#include "link/ui/ModuleScanWindow.h"
#include "params/ModuleRegisters.h"
#include "support/SimCore.h"

namespace {

class ModuleScanWindowTest : public ::testing::Test {
 protected:
  ModuleScanWindowTest()
      : window(sim.core->link(),
               [this](std::function<void()> job) { sim.cycle->post(std::move(job)); }) {
    sim.line->setLineSettingsHeard(true);
    sim.bus.module().setFirmware(204, 13);
    sim.bus.module().setLogicNumber(3);
    // Changed from the console: address 33, 19200 baud, no parity.
    sim.bus.module().setAddress(33);
    sim.bus.module().set(modulemap::SpeedIndex, 1);
    window.firstAddress()->setValue(30);
    window.lastAddress()->setValue(40);
    for (int i : {2, 3, 4}) window.speedBox(i)->setChecked(false);
  }
  // One pass of the worker (the search runs as its job), then what it sent to the window.
  void pass() {
    sim.cycle->pollPass();
    QCoreApplication::processEvents();
  }
  QString cell(int row, int column) const { return window.table()->item(row, column)->text(); }

  SimCore sim;
  ModuleScanWindow window;
};

TEST_F(ModuleScanWindowTest, FindsTheModuleAndUsesIt) {
  EXPECT_FALSE(sim.online());  // the program still talks at 9600 to address 100
  window.startButton()->click();
  EXPECT_TRUE(window.running());
  EXPECT_FALSE(window.startButton()->isEnabled());
  pass();
  EXPECT_FALSE(window.running());
  ASSERT_EQ(window.table()->rowCount(), 1);
  EXPECT_EQ(cell(0, 0), "33");
  EXPECT_EQ(cell(0, 1), "19200");
  EXPECT_EQ(cell(0, 2), "нет");
  EXPECT_EQ(cell(0, 3), "2");
  EXPECT_EQ(cell(0, 4), "204.13");
  EXPECT_EQ(cell(0, 5), "3");
  // 2 speeds x 3 parities x 2 stop bit counts x 11 addresses.
  EXPECT_EQ(window.progressBar()->maximum(), 132);
  EXPECT_EQ(window.progressBar()->value(), 132);
  EXPECT_EQ(window.stateLabel()->text(), "Поиск закончен, найдено модулей: 1");

  ASSERT_TRUE(window.useButton()->isEnabled());
  window.useButton()->click();
  const SettingsStore mem(sim.dir.filePath("mem.ini"));
  EXPECT_EQ(mem.readString("connect", "adr", "-"), "33");
  EXPECT_EQ(mem.readString("connect", "speed", "-"), "1");
  EXPECT_EQ(mem.readString("connect", "parity", "-"), "0");
  EXPECT_EQ(mem.readString("connect", "stopbits", "-"), "1");
  EXPECT_TRUE(sim.core->flags.portReopenRequest);
  // The poll cycle picks it up: the pass that takes the request reopens the port, the next one
  // polls the module.
  sim.online();
  EXPECT_TRUE(sim.online()) << sim.linkText().toStdString();
}

TEST_F(ModuleScanWindowTest, StopEndsTheSearchWithWhatWasFound) {
  window.startButton()->click();
  pass();  // the search runs, finds the module and is over
  ASSERT_EQ(window.table()->rowCount(), 1);
  window.startButton()->click();
  sim.line->setAbsent(true);  // the adapter is gone: the search waits for its port
  sim.core->port().closePort();
  pass();
  EXPECT_TRUE(window.running());
  EXPECT_EQ(window.stateLabel()->text(), "Ожидание порта: поиск начнётся, когда порт будет открыт");
  // "Стоп" ends a search that never began at once, not when the port comes back.
  window.stopButton()->click();
  EXPECT_FALSE(window.running());
  EXPECT_TRUE(window.startButton()->isEnabled());
  EXPECT_EQ(window.stateLabel()->text(), "Поиск остановлен, найдено модулей: 0");
  sim.line->setAbsent(false);  // back: the pass opens the port, the stopped job does nothing
  pass();
  EXPECT_FALSE(window.running());
  EXPECT_EQ(window.table()->rowCount(), 0);
  EXPECT_EQ(window.stateLabel()->text(), "Поиск остановлен, найдено модулей: 0");
}

}  // namespace
