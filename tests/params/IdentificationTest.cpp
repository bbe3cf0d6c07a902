#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "params/Identification.h"
#include "params/ParameterSession.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"

namespace {

// The core on the simulated module, virtual time, an open port.
class IdentificationTest : public ::testing::Test {
 protected:
  void start(bool morvex = false) {
    if (morvex) {
      QFile marker(dir.filePath("trv102.txt"));
      ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    }
    core = std::make_unique<ParameterSession>(dir.path(), prompter,
                                              std::make_unique<MemoryLine>(bus, clock), clock);
    core->port().openPort("COM1");
  }

  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  RecordingPrompter prompter;
  std::unique_ptr<ParameterSession> core;
};

TEST_F(IdentificationTest, LayoutByVersion) {
  struct Case {
    int version;
    int timersStart, timersCount, motorStart, motorCount, serviceCount, ampsStart, ampsCount;
    const char* debug;
  } cases[] = {
      {0, 96, 12, 112, 6, 6, 64, 4, "debug_names"},
      {100, 96, 10, 112, 6, 8, 64, 4, "debug_names"},
      {101, 96, 11, 112, 6, 8, 64, 4, "debug_names"},
      {102, 97, 10, 113, 5, 8, 64, 4, "debug_names_v102"},
      {104, 94, 13, 112, 6, 8, 64, 4, "debug_names"},
      {200, 97, 10, 113, 5, 8, 64, 4, "debug_names_v102"},
      {203, 97, 13, 113, 5, 8, 64, 4, "debug_names_v102"},
      {209, 97, 13, 113, 5, 8, 66, 2, "debug_names_v102"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    const FirmwareLayout l = FirmwareLayout::forVersion(c.version, FirmwareLayout());
    EXPECT_EQ(l.timersStart, c.timersStart);
    EXPECT_EQ(l.timersCount, c.timersCount);
    EXPECT_EQ(l.motorStart, c.motorStart);
    EXPECT_EQ(l.motorCount, c.motorCount);
    EXPECT_EQ(l.serviceInputsCount, c.serviceCount);
    EXPECT_EQ(l.ampsStart, c.ampsStart);
    EXPECT_EQ(l.ampsCount, c.ampsCount);
    EXPECT_EQ(l.debugSection, c.debug);
  }
  // 103 and the versions without a row keep the amps block of the previous identification.
  const FirmwareLayout v209 = FirmwareLayout::forVersion(209, FirmwareLayout());
  for (int v : {103, 1, 150, 207}) {
    const FirmwareLayout l = FirmwareLayout::forVersion(v, v209);
    EXPECT_EQ(l.ampsStart, 66) << v;
    EXPECT_EQ(l.ampsCount, 2) << v;
    EXPECT_EQ(FirmwareLayout::forVersion(v, FirmwareLayout()).ampsCount, 0) << v;
  }
  EXPECT_EQ(FirmwareLayout::forVersion(207, FirmwareLayout()).timersSection, "main_timers_v201");
}

TEST_F(IdentificationTest, VersionShownAndCheckedAgainstTheMaximum) {
  struct Case {
    int version, revision;
    bool morvex;
    int returned;
    const char* panel;
    bool unknown;
  } cases[] = {
      {204, 13, false, 204, "Версия прошивки  204.13", false},
      {104, 0, false, 104, "Версия прошивки  104", false},
      {209, 0, false, 209, "Версия прошивки  209", true},
      {209, 0, true, 209, "Версия прошивки  209", false},
      {207, 0, true, 207, "Версия прошивки  207", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.panel);
    dir.remove();
    ASSERT_TRUE(QDir().mkpath(dir.path()));
    start(c.morvex);
    bus.module().installFirmware(c.version, c.revision);
    Identification id(core->parameterContext());
    EXPECT_EQ(id.selectFirmwareLayout(), c.returned);
    EXPECT_EQ(core->status.text(StatusLine::Firmware), c.panel);
    EXPECT_EQ(core->status.text(StatusLine::Link) == "НЕИЗВЕСТНАЯ ВЕРСИЯ ПРОШИВКИ МОДУЛЯ",
              c.unknown);
  }
}

TEST_F(IdentificationTest, SilentModuleGivesMinusOne) {
  start();
  bus.setModulePlugged(false);
  Identification id(core->parameterContext());
  EXPECT_EQ(id.selectFirmwareLayout(), -1);
  EXPECT_EQ(core->status.text(StatusLine::Firmware), "Версия прошивки ------");
  EXPECT_EQ(core->status.text(StatusLine::Link), "Ошибка получения результата из модуля");
  EXPECT_FALSE(core->flags.moduleOnline);
}

TEST_F(IdentificationTest, NameSections) {
  struct Case {
    int version, logic, map, type;
    bool logicReadFails;
    const char* di;
    const char* err;
    const char* panel;
  } cases[] = {
      {205, 2, 0, 0, false, "di_names2", "err_names2", "Логика 2"},
      {205, 2, 0, 1, false, "di_names2_zn", "err_names2", "Логика 2"},
      {205, 3, 0, 0, false, "di_names3", "err_names", "Логика 3"},
      {205, 3, 1, 1, false, "di_names3_map1_zn", "err_names", "Логика 3"},
      {104, 4, 0, 0, false, "di_names", "err_names", "Логика 4"},
      {104, 4, 0, 1, false, "di_names_zn", "err_names", "Логика 4"},
      {200, 5, 0, 1, false, "di_names3_zn", "err_names", "Логика 5"},
      {205, 0, 0, 0, true, "di_names3", "err_names", "Логика 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.di);
    start();
    core->mem.writeInteger("measure", "type", c.type);
    bus.module().installFirmware(c.version, 0);
    bus.module().setLogicNumber(c.logic);
    bus.module().setInputMap(c.map);
    Identification id(core->parameterContext());
    id.selectFirmwareLayout();
    if (c.logicReadFails) bus.faults().failNext(FaultKind::Drop, ModbusRtuClient::kAttempts);
    EXPECT_EQ(id.selectNameSections(), c.logicReadFails ? 1 : c.logic);
    EXPECT_EQ(core->params.tables.firmware().diSection, c.di);
    EXPECT_EQ(core->params.tables.firmware().errSection, c.err);
    EXPECT_EQ(core->status.text(StatusLine::Logic), c.panel);
  }
}

TEST_F(IdentificationTest, TablesBuiltWithNamesAndDefaults) {
  start();
  {
    core->mem.writeString("main_timers_v201", "n2", "Время вката");
    core->mem.writeString("debug_names_v102", "n3", "Ток мотора");
    core->mem.writeString("measure", "diag", "Ток мотора");
  }
  bus.module().installFirmware(205, 0);
  Identification id(core->parameterContext());
  id.selectFirmwareLayout();
  id.selectNameSections();
  id.buildTables();
  const ParameterTables& t = core->params.tables;
  EXPECT_EQ(t.rowCount(ParameterTables::DigInputs), 17);
  EXPECT_EQ(t.name(ParameterTables::DigInputs, 0), "ВХОД 1");
  EXPECT_EQ(t.name(ParameterTables::DigOutputs, 2), "ВЫХОД 3");
  EXPECT_EQ(t.name(ParameterTables::Errors, 2), "ОШИБКА 3");
  EXPECT_EQ(t.rowCount(ParameterTables::Timers), 13);
  EXPECT_EQ(t.name(ParameterTables::Timers, 0), "Параметр 1");
  EXPECT_EQ(t.name(ParameterTables::Timers, 1), "Время вката");
  EXPECT_EQ(t.table(ParameterTables::Timers).start, 97);
  EXPECT_EQ(t.rowCount(ParameterTables::Actu), 5);
  EXPECT_EQ(t.rowCount(ParameterTables::AutoReset), 2);
  EXPECT_EQ(core->params.diagramValueIndex, 2);
  EXPECT_EQ(core->params.testDiagramValueIndex, 0);
}

TEST_F(IdentificationTest, EmptyBuildAtStartUp) {
  start();
  Identification(core->parameterContext()).buildTables();
  const ParameterTables& t = core->params.tables;
  EXPECT_EQ(t.rowCount(ParameterTables::DigInputs), 17);
  EXPECT_EQ(t.rowCount(ParameterTables::Timers), 0);
  EXPECT_EQ(t.rowCount(ParameterTables::Amps), 0);
  EXPECT_EQ(t.rowCount(ParameterTables::Debug), 16);
}

TEST(FirmwareFeatures, VersionDependentGroups) {
  EXPECT_TRUE(firmware::hasInputInversion(204, 13));
  EXPECT_FALSE(firmware::hasInputInversion(204, 12));
  EXPECT_TRUE(firmware::hasInputInversion(205, 0));
  EXPECT_EQ(firmware::inversionMaskRow(208), 7);
  EXPECT_EQ(firmware::inversionMaskRow(209), 0);
  EXPECT_TRUE(firmware::hasAutoReset(104));
  EXPECT_FALSE(firmware::hasAutoReset(202));
  EXPECT_TRUE(firmware::hasAutoReset(203));
  EXPECT_FALSE(firmware::hasOutputLogic(102));
  EXPECT_TRUE(firmware::hasOutputLogic(103));
  EXPECT_TRUE(firmware::hasMotorVoltage(200));
}

}  // namespace
