// Reading and writing the parameter tables of the main and service tabs against the simulated
// module, on virtual time.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "params/ParameterSession.h"
#include "params/TableTransfer.h"
#include "support/SimSession.h"

namespace {

struct Write {
  uint16_t reg, value;
  bool operator==(const Write&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Write& w) { return os << w.reg << '=' << w.value; }

class TableTransferTest : public ::testing::Test {
 protected:
  // The module online with `version`, its main and service tables read.
  void start(int version, int revision = 0) {
    sim = std::make_unique<SimSession<ParameterSession>>([&](SettingsStore& mem) {
      if (version > 205)
        QFile(QFileInfo(mem.path()).dir().filePath("trv102.txt")).open(QIODevice::WriteOnly);
    });
    sim->bus.module().installFirmware(uint16_t(version), uint16_t(revision));
    ASSERT_TRUE(sim->online());
    ASSERT_TRUE(io().readMainTables());
    io().readServiceTables();
    sim->bus.module().setWriteHook([this](uint16_t first, uint16_t count) {
      for (int i = 0; i < count; ++i)
        writes.push_back({uint16_t(first + i), sim->bus.module().get(uint16_t(first + i))});
    });
    QObject::connect(&core().progress, &ProgressLine::changed,
                     [this](bool visible, const QString& text) {
                       if (visible) panel << text;
                     });
    sim->prompter.boxes.clear();
  }
  ParameterSession& core() { return *sim->core; }
  TableTransfer io() { return TableTransfer(core().parameterContext()); }
  ParameterTables& tables() { return core().params.tables; }
  QStringList boxTexts() const {
    QStringList texts;
    for (const auto& b : sim->prompter.boxes) texts << b.text;
    return texts;
  }

  std::unique_ptr<SimSession<ParameterSession>> sim;
  std::vector<Write> writes;
  QStringList panel;
};

TEST_F(TableTransferTest, NothingEditedSendsNothingAndSucceeds) {
  start(205);
  sim->prompter.answer = false;  // Cancel on the reload prompt
  io().writeMainTables();
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(panel, QStringList({"Запись параметров в модуль...", "УСПЕШНО!!!"}));
  EXPECT_FALSE(core().progress.visible());
  ASSERT_EQ(sim->prompter.boxes.size(), 1u);
  EXPECT_EQ(sim->prompter.boxes[0].caption, "ВНИМАНИЕ!");
  EXPECT_FALSE(core().requests.module[RequestFlags::MainRead]);

  sim->prompter.answer = true;
  io().writeMainTables();
  EXPECT_TRUE(core().requests.module[RequestFlags::MainRead]);
}

TEST_F(TableTransferTest, ChangedCellsAreSentAndBecomeWhatTheModuleHolds) {
  start(205);
  const ParameterTables::Table timers = tables().table(ParameterTables::Timers);
  const uint16_t old = sim->bus.module().get(timers.start);
  tables().setCellText(ParameterTables::Inps, 2, "-1");
  tables().setCellText(ParameterTables::Timers, 0, "260");
  EXPECT_TRUE(io().writeMainTableBlocks());
  EXPECT_EQ(writes, (std::vector<Write>{{70, 65535}, {timers.start, 260}}));
  // Unchanged since the write: only -1 goes again, as it never equals an unsigned register.
  writes.clear();
  EXPECT_TRUE(io().writeMainTableBlocks());
  EXPECT_EQ(writes, (std::vector<Write>{{70, 65535}}));
  // Back to the value read before the write: the module holds 260, so it is sent.
  writes.clear();
  tables().setCellText(ParameterTables::Inps, 2, "65535");
  tables().setCellText(ParameterTables::Timers, 0, QString::number(old));
  EXPECT_TRUE(io().writeMainTableBlocks());
  EXPECT_EQ(writes, (std::vector<Write>{{timers.start, old}}));
  EXPECT_EQ(sim->bus.module().get(timers.start), old);
  // So are the output-logic choices.
  writes.clear();
  tables().updateChoices([](ParameterTables::Choices& c) { c.alarmOn = !c.alarmOn; });
  EXPECT_TRUE(io().writeMainTableBlocks());
  tables().updateChoices([](ParameterTables::Choices& c) { c.alarmOn = !c.alarmOn; });
  EXPECT_TRUE(io().writeMainTableBlocks());
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].reg, 131);
  EXPECT_EQ(writes[1].value, 1 - writes[0].value);
}

// Values a register cannot hold are refused like any other bad text; the signed and unsigned
// readings of 16 bits both go.
TEST_F(TableTransferTest, ValuesBeyondSixteenBitsAreRefused) {
  start(205);
  const QString name = tables().name(ParameterTables::Inps, 0);
  struct Case {
    const char* text;
    int sent;  // -1: refused
  } cases[] = {{"70000", -1},    {"65536", -1},     {"-32769", -1}, {"2147483648", -1},
               {"65535", 65535}, {"-32768", 32768}, {"-1", 65535},  {"0x10", 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    writes.clear();
    sim->prompter.boxes.clear();
    tables().setCellText(ParameterTables::Inps, 0, c.text);
    tables().setBufferValue(ParameterTables::Inps, 0, 1);
    EXPECT_EQ(io().writeChangedCells(ParameterTables::Inps), c.sent >= 0);
    if (c.sent < 0) {
      ASSERT_EQ(sim->prompter.boxes.size(), 1u);
      EXPECT_EQ(sim->prompter.boxes[0].text, "Некорректное значение параметра " + name);
      EXPECT_TRUE(writes.empty());
    } else {
      EXPECT_EQ(writes, (std::vector<Write>{{68, uint16_t(c.sent)}}));
    }
  }
}

// Firmware without a gain block of its own: the service tab reads and writes the rest.
TEST_F(TableTransferTest, ServiceTabWithoutAmpsBlock) {
  for (int version : {103, 207}) {
    SCOPED_TRACE(version);
    start(version);
    EXPECT_EQ(tables().rowCount(ParameterTables::Amps), 0);
    io().readServiceTables();
    EXPECT_TRUE(core().flags.moduleOnline);
    EXPECT_EQ(sim->linkText(), "МОДУЛЬ НА СВЯЗИ");
    tables().setCellText(ParameterTables::DebInpsParam, 0, "12");
    io().writeServiceTables();
    EXPECT_TRUE(sim->prompter.boxes.empty());
    EXPECT_TRUE(panel.contains("УСПЕШНО!!!"));
    EXPECT_EQ(sim->bus.module().get(77), 12);
  }
}

TEST_F(TableTransferTest, BadCellStopsOnlyItsOwnTable) {
  start(205);
  const ParameterTables::Table timers = tables().table(ParameterTables::Timers);
  const ParameterTables::Table motor = tables().table(ParameterTables::Actu);
  tables().setCellText(ParameterTables::Inps, 0, "7");
  tables().setCellText(ParameterTables::Timers, 1, "11");
  tables().setCellText(ParameterTables::Timers, 3, "1x");
  tables().setCellText(ParameterTables::Actu, 0, "9");
  sim->prompter.answer = false;
  io().writeMainTables();
  EXPECT_EQ(writes, (std::vector<Write>{{68, 7}, {motor.start, 9}}));
  ASSERT_GE(sim->prompter.boxes.size(), 1u);
  EXPECT_EQ(sim->prompter.boxes[0].caption, "Ошибка");
  EXPECT_EQ(sim->prompter.boxes[0].text, "Некорректное значение параметра " + timers.names[3]);
  EXPECT_TRUE(panel.contains("Ошибка!!!"));
  EXPECT_FALSE(panel.contains("УСПЕШНО!!!"));
}

TEST_F(TableTransferTest, RefusedWriteKeepsEarlierRowsAndStopsTheTable) {
  start(205);
  tables().setCellText(ParameterTables::Inps, 0, "3");
  tables().setCellText(ParameterTables::Inps, 1, "4");
  tables().setCellText(ParameterTables::Inps, 2, "5");
  // The second frame is not acknowledged (the module has taken it all the same).
  sim->bus.faults().failEvery(FaultKind::Exception, 2);
  EXPECT_FALSE(io().writeChangedCells(ParameterTables::Inps));
  EXPECT_EQ(writes, (std::vector<Write>{{68, 3}, {69, 4}}));
  ASSERT_EQ(sim->prompter.boxes.size(), 1u);
  EXPECT_TRUE(sim->prompter.boxes[0].text.startsWith("Ошибка модуля: код"))
      << sim->prompter.boxes[0].text.toStdString();
}

TEST_F(TableTransferTest, OutputLogicFromFirmware103) {
  for (int version : {102, 103}) {
    SCOPED_TRACE(version);
    writes.clear();
    start(version);
    sim->bus.module().set(131, 0);
    sim->bus.module().set(132, 1);
    ASSERT_TRUE(io().readMainTables());
    const ParameterTables::Choices c = tables().choices();
    tables().updateChoices([](ParameterTables::Choices& c) {
      c.alarmOn = true;
      c.direct = true;
    });
    EXPECT_TRUE(io().writeMainTableBlocks());
    if (version == 102) {
      EXPECT_FALSE(c.alarmOn);
      EXPECT_FALSE(c.direct);  // never read
      EXPECT_TRUE(writes.empty());
    } else {
      EXPECT_FALSE(c.alarmOn);
      EXPECT_TRUE(c.direct);
      EXPECT_EQ(writes, (std::vector<Write>{{131, 1}}));  // 132 already 1
    }
  }
}

TEST_F(TableTransferTest, ReadSucceedsByItsLastBlock) {
  start(205);
  sim->bus.module().set(119, 1);
  ASSERT_TRUE(io().readMainTables());
  EXPECT_EQ(tables().choices().motorVoltageType, 1);
  EXPECT_EQ(TableTransfer::motorVoltageName(core().mem, 1), "220V");
  // The motor voltage read decides from firmware 200.
  sim->bus.faults().failAlways(FaultKind::Drop);
  EXPECT_FALSE(io().readMainTables());
  EXPECT_FALSE(core().flags.moduleOnline);
  EXPECT_EQ(sim->linkText(), "Ошибка получения результата из модуля");
}

TEST_F(TableTransferTest, InversionMaskGoesToItsRow) {
  struct Case {
    int version;
    uint16_t reg;
  };
  for (const Case& c : {Case{205, 84}, Case{209, 77}}) {
    SCOPED_TRACE(c.version);
    writes.clear();
    start(c.version);
    auto checks = TableTransfer::inversionChecks(0);  // all checked
    checks[0] = checks[2] = false;
    tables().updateChoices([&](ParameterTables::Choices& ch) { ch.inversionChecked = checks; });
    tables().setCellText(ParameterTables::DebInpsParam, c.reg - 77, "999");  // the list decides
    io().writeServiceTables();
    EXPECT_EQ(writes, (std::vector<Write>{{c.reg, 5}}));
    EXPECT_TRUE(panel.contains("УСПЕШНО!!!"));
  }
  EXPECT_EQ(TableTransfer::inversionMask(TableTransfer::inversionChecks(0xFFFF)), 0x3FF);
}

TEST_F(TableTransferTest, InversionListFollowsTheReadMask) {
  start(205);
  sim->bus.module().set(84, 0b1000000010);
  io().readServiceTables();
  const auto checked = tables().choices().inversionChecked;
  EXPECT_FALSE(checked[1]);
  EXPECT_FALSE(checked[9]);
  EXPECT_TRUE(checked[0]);
}

TEST_F(TableTransferTest, WriteAfterLinkLossWithoutReload) {
  start(205);
  sim->bus.setModulePlugged(false);
  sim->online();
  sim->bus.setModulePlugged(true);
  ASSERT_TRUE(sim->online());
  EXPECT_FALSE(io().writeMainTableBlocks());
  ASSERT_FALSE(sim->prompter.boxes.empty());
  EXPECT_EQ(sim->prompter.boxes[0].text,
            "Некорректное значение параметра " + tables().name(ParameterTables::Inps, 0));
  EXPECT_TRUE(writes.empty());
  // Values put in from a file compare against the cleared buffers: every non-zero cell goes.
  for (int row = 0; row < tables().rowCount(ParameterTables::Inps); ++row)
    tables().setCellText(ParameterTables::Inps, row, row == 4 ? "0" : "1");
  for (ParameterTables::Id id : {ParameterTables::Timers, ParameterTables::Actu})
    for (int row = 0; row < tables().rowCount(id); ++row) tables().setCellText(id, row, "0");
  sim->prompter.boxes.clear();
  EXPECT_TRUE(io().writeMainTableBlocks());
  EXPECT_EQ(writes.size(), 8u);
}

}  // namespace
