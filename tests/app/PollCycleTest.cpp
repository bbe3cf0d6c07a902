// The link states of the poll pass, driven through the simulated module on virtual time.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "operation/EventLog.h"
#include "params/TableTransfer.h"
#include "support/SimCore.h"

namespace {

class PollCycleTest : public ::testing::Test, public SimCore {};

TEST_F(PollCycleTest, LinkStates) {
  line->setAbsent(true);
  cycle->pollPass();
  EXPECT_EQ(linkText(), "Ошибка открытия порта");
  EXPECT_FALSE(core->port().isOpen());

  line->setAbsent(false);
  bus.module().set(16, 2);
  cycle->pollPass();
  EXPECT_EQ(linkText(), "МОДУЛЬ НА СВЯЗИ");
  EXPECT_TRUE(core->flags.moduleOnline);
  EXPECT_TRUE(core->flags.valuesShown);
  EXPECT_EQ(core->flags.firmwareVersion, 205);
  EXPECT_EQ(core->status.text(StatusLine::Firmware), "Версия прошивки  205");
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::DigInputs, 0), "2");

  bus.setModulePlugged(false);  // silent module: blanked once, the port stays open
  cycle->pollPass();
  EXPECT_EQ(linkText(), "Ошибка получения результата из модуля");
  EXPECT_FALSE(core->flags.moduleOnline);
  EXPECT_FALSE(core->flags.valuesShown);
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::DigInputs, 0), "---");
  EXPECT_EQ(core->params.tables.bufferValue(ParameterTables::DigInputs, 0), 0);
  EXPECT_TRUE(core->port().isOpen());

  bus.setModulePlugged(true);
  cycle->pollPass();
  EXPECT_EQ(linkText(), "МОДУЛЬ НА СВЯЗИ");

  line->setUnplugged(true);  // the adapter vanished: the alive check closes the port
  cycle->pollPass();
  EXPECT_FALSE(core->port().isOpen());
  line->setUnplugged(false);
  cycle->pollPass();
  EXPECT_EQ(linkText(), "МОДУЛЬ НА СВЯЗИ");
}

// The port closed while the module was shown on line, and it does not open again: the value
// columns are blanked as for a silent module, once.
TEST_F(PollCycleTest, PortThatFailsToOpenBlanksTheShownValuesOnce) {
  bus.module().set(16, 2);
  ASSERT_TRUE(online());
  core->requests.module[RequestFlags::MainRead] = true;
  ASSERT_TRUE(online());
  ParameterTables& tables = core->params.tables;
  ASSERT_NE(tables.cellText(ParameterTables::Timers, 0), "---");
  core->flags.portReopenRequest = true;
  cycle->pollPass();
  ASSERT_FALSE(core->port().isOpen());
  ASSERT_EQ(tables.cellText(ParameterTables::DigInputs, 0), "2");

  int blanked = 0;
  QObject::connect(&tables, &ParameterTables::valuesChanged, [&] { ++blanked; });
  line->setAbsent(true);
  cycle->pollPass();
  EXPECT_EQ(linkText(), "Ошибка открытия порта");
  EXPECT_FALSE(core->flags.moduleOnline);
  EXPECT_FALSE(core->flags.valuesShown);
  EXPECT_EQ(tables.cellText(ParameterTables::DigInputs, 0), "---");
  EXPECT_EQ(tables.bufferValue(ParameterTables::DigInputs, 0), 0);
  EXPECT_EQ(tables.cellText(ParameterTables::Timers, 0), "---");
  EXPECT_GT(blanked, 0);
  const int once = blanked;
  cycle->pollPass();
  EXPECT_EQ(blanked, once);
}

TEST_F(PollCycleTest, SuspendedDuringAPassAndRestored) {
  core->requests.module[RequestFlags::MainRead] = true;
  cycle->setOperation(RequestFlags::MainRead, [&] {
    core->flags.linkSuspended = true;  // the user breaks the link while the pass runs
    return true;
  });
  cycle->pollPass();
  EXPECT_EQ(linkText(), "Связь прервана пользователем");
  EXPECT_FALSE(core->port().isOpen());
  const int requests = line->requestCount();
  cycle->pollPass();
  EXPECT_EQ(line->requestCount(), requests);  // nothing happens while suspended

  core->flags.linkSuspended = false;
  cycle->pollPass();
  EXPECT_EQ(linkText(), "МОДУЛЬ НА СВЯЗИ");
  EXPECT_EQ(line->openCount(), 2);
}

TEST_F(PollCycleTest, RequestsWaitForTheModuleAndResetIsRetriedUntilItWorks) {
  bus.setModulePlugged(false);
  int pushes = 0, resets = 0;
  cycle->setOperation(RequestFlags::Push, [&] { return ++pushes, true; });
  cycle->setOperation(RequestFlags::ResetCommand, [&] { return ++resets >= 2; });
  core->requests.module[RequestFlags::Push] = true;
  core->requests.module[RequestFlags::ResetCommand] = true;
  cycle->pollPass();
  EXPECT_EQ(pushes, 0);
  EXPECT_TRUE(core->requests.module[RequestFlags::Push]);
  // The user is told the request waits, rather than seeing nothing happen.
  EXPECT_TRUE(core->progress.visible());
  EXPECT_TRUE(core->progress.text().startsWith("Ожидание связи с модулем"));

  bus.setModulePlugged(true);
  cycle->pollPass();
  EXPECT_FALSE(core->progress.visible());
  EXPECT_EQ(pushes, 1);
  EXPECT_FALSE(core->requests.module[RequestFlags::Push]);
  EXPECT_TRUE(core->requests.module[RequestFlags::ResetCommand]);
  cycle->pollPass();
  EXPECT_EQ(resets, 2);
  EXPECT_FALSE(core->requests.module[RequestFlags::ResetCommand]);
}

TEST_F(PollCycleTest, UnsupportedVersionIsNeverPolled) {
  bus.module().installFirmware(209, 0);
  for (int pass = 0; pass < 2; ++pass) {
    cycle->pollPass();
    EXPECT_EQ(linkText(), "НЕИЗВЕСТНАЯ ВЕРСИЯ ПРОШИВКИ МОДУЛЯ");
    EXPECT_FALSE(core->flags.moduleOnline);
  }
}

TEST_F(PollCycleTest, StatusReadsOnlyTheVisiblePage) {
  bus.module().set(48, 1);
  bus.module().set(256, 77);
  core->params.activePage = ParameterState::Page::Main;
  cycle->pollPass();
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Errors, 0), "");
  core->params.activePage = ParameterState::Page::Firm;
  cycle->pollPass();
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Errors, 0), "1");
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Debug, 0), "");
  core->params.activePage = ParameterState::Page::Service;
  cycle->pollPass();
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Debug, 0), "77");

  bus.module().set(128, 3);
  bus.module().set(129, 2);
  cycle->pollPass();
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::DigOutputs, 0), "1");
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::DigOutputs, 1),
            "0");  // only bit 0 counts
  // A motion drawn on the diagram: the outputs are not read while it records.
  core->operation.diagram.drawing = true;
  bus.module().set(11, 1);
  cycle->pollPass();
  bus.module().set(128, 0);
  cycle->pollPass();
  EXPECT_TRUE(core->params.outputsPaused);
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::DigOutputs, 0), "1");
}

TEST_F(PollCycleTest, BenchWordsAreWrittenWhileTheModuleIsOffline) {
  bus.setModulePlugged(false);
  core->requests.r16OutputWord = 0x00A5;
  core->requests.r16Output = true;
  cycle->pollPass();
  EXPECT_EQ(bus.r16().outputs(), 0x00A5);
  EXPECT_FALSE(core->requests.r16Output);
}

}  // namespace

namespace {

TEST_F(PollCycleTest, ControlStateTexts) {
  core->operation.control.loadTexts({"0=нет", "1=вкат", "2=выкат", "3=сброс"},
                                    {"0=Готов", "1=Движение"});
  bus.module().set(9, 1);
  bus.module().set(11, 1);
  cycle->pollPass();
  EXPECT_EQ(core->operation.control.commandText(), "2=выкат");
  EXPECT_EQ(core->operation.control.stateText(), "1=Движение");
  EXPECT_EQ(core->status.text(StatusLine::Control), "1=Движение");

  bus.module().set(11, 7);  // no such line
  cycle->pollPass();
  EXPECT_EQ(core->status.text(StatusLine::Control), "???????");

  bus.setModulePlugged(false);
  cycle->pollPass();
  EXPECT_EQ(core->operation.control.stateText(), "---");
  EXPECT_EQ(core->status.text(StatusLine::Control), "---");
}

}  // namespace

namespace {

// A module that answers wrongly: the failing exchange's text, the tables blanked once, and
// identification again once the answers are right.
TEST_F(PollCycleTest, WrongAnswersTakeTheModuleOffline) {
  struct Case {
    FaultKind kind;
    const char* text;
  };
  for (const Case& c : {Case{FaultKind::Crc, "Ошибочный CRC в ответе от модуля"},
                        Case{FaultKind::Address, "Ошибочный адрес модуля в ответе от модуля"}}) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(online());
    bus.faults().failAlways(c.kind);
    cycle->pollPass();
    EXPECT_EQ(linkText(), c.text);
    EXPECT_FALSE(core->flags.moduleOnline);
    EXPECT_EQ(core->params.tables.cellText(ParameterTables::DigInputs, 0), "---");
    bus.faults().clear();
    EXPECT_TRUE(online());
    EXPECT_EQ(linkText(), "МОДУЛЬ НА СВЯЗИ");
  }
}

}  // namespace

namespace {

// Replies that come after their exchange gave up, of every lateness inside the quiet time
// that follows and against every block of the pass: no value ever lands in another block.
TEST_F(PollCycleTest, LateRepliesNeverLandInAnotherBlock) {
  ModuleModel& m = bus.module();
  // Every polled register holds a value no other block has.
  m.set(ModuleModel::FirmwareRevision, 7);
  m.set(11, 3);
  for (uint16_t r = 16; r <= 32; ++r) m.set(r, uint16_t(1000 + r));
  for (uint16_t r = 48; r <= 59; ++r) m.set(r, uint16_t(2000 + r));
  for (uint16_t r = 128; r <= 130; ++r) m.set(r, uint16_t(r));
  for (uint16_t r = 256; r <= 271; ++r) m.set(r, uint16_t(3000 + r));
  m.setClockSeconds(0x12345678);
  const ParameterState::Page pages[] = {ParameterState::Page::Firm, ParameterState::Page::Service,
                                        ParameterState::Page::LogTime, ParameterState::Page::Main};
  struct Shown {
    ParameterTables::Id id;
    uint16_t first;
  };
  const Shown shown[] = {{ParameterTables::DigInputs, 16},
                         {ParameterTables::DigOutputs, 128},
                         {ParameterTables::Errors, 48},
                         {ParameterTables::Debug, 256}};
  int failures = 0;
  for (uint32_t lateMs : {60u, 121u, 150u, 180u, 239u}) {
    SCOPED_TRACE(lateMs);
    bus.faults().clear();
    bus.faults().setSeed(lateMs);
    bus.faults().setLateMs(lateMs);
    bus.faults().failRandomly(FaultKind::Late, 0.3);
    for (int pass = 0; pass < 200; ++pass) {
      core->params.activePage = pages[pass % 4];
      if (!online()) ++failures;
      for (const Shown& s : shown) {
        for (int row = 0; row < core->params.tables.rowCount(s.id); ++row) {
          const uint16_t held = core->params.tables.bufferValue(s.id, row);
          ASSERT_TRUE(held == 0 || held == m.get(uint16_t(s.first + row)))
              << ParameterTables::objectName(s.id) << " row " << row << " holds " << held;
        }
      }
      const auto block = core->operation.control.block();
      ASSERT_TRUE(block == (std::array<uint16_t, 4>{}) ||
                  block == (std::array<uint16_t, 4>{0, 0, 0, 3}));
      const uint32_t clock = core->params.moduleClockSeconds;
      ASSERT_TRUE(clock == 0 || clock == 0x12345678u) << clock;
      const QString firmware = core->status.text(StatusLine::Firmware);
      ASSERT_TRUE(firmware == "Версия прошивки  205.7" || firmware == "Версия прошивки ------")
          << firmware.toStdString();
      ASSERT_EQ(core->status.text(StatusLine::Logic), "Логика 1");
    }
  }
  EXPECT_GT(bus.faults().injected(FaultKind::Late), 500);
  EXPECT_GT(failures, 0);
}

// A drive-type change rebuilds the names in the pass that serves it, once, and keeps what
// the tables hold: typed values, blanked cells and the service inputs.
TEST_F(PollCycleTest, RebuildKeepsValuesAndServesTheIdentifyRequestOnce) {
  int identifications = 0;
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    if (first == ModuleModel::FirmwareVersion) ++identifications;
  });
  bus.module().set(78, 55);
  ASSERT_TRUE(online());
  TableTransfer(core->parameterContext()).readMainTables();
  TableTransfer(core->parameterContext()).readServiceTables();
  ASSERT_EQ(core->params.tables.cellText(ParameterTables::DebInpsParam, 1), "55");
  core->params.tables.setCellText(ParameterTables::Inps, 0, "42");  // typed, not yet written
  identifications = 0;
  core->requests.identify = true;
  ASSERT_TRUE(online());
  EXPECT_EQ(identifications, 1);
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Inps, 0), "42");

  bus.setModulePlugged(false);
  cycle->pollPass();
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Inps, 0), "---");
  core->requests.identify = true;  // the drive type changed while the module was away
  bus.setModulePlugged(true);
  identifications = 0;
  ASSERT_TRUE(online());
  EXPECT_EQ(identifications, 1);
  EXPECT_FALSE(core->requests.identify);
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Inps, 0), "---");
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::DebInpsParam, 1), "55");
}

}  // namespace

namespace {

// Line settings the driver refuses are told once per open, in a box, and journalled.
TEST_F(PollCycleTest, RefusedLineSettingsAreToldOncePerOpen) {
  line->setRejectLineSettings(true);
  ASSERT_TRUE(online());
  ASSERT_TRUE(online());
  ASSERT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.boxes[0].caption, "GetLastError");
  core->flags.portReopenRequest = true;
  cycle->pollPass();
  cycle->pollPass();
  EXPECT_EQ(prompter.boxes.size(), 2u);
}

// Every request the pass serves reports what really happened: a write refused or failed, a
// read or a log fetch that broke off, a clock the module never got all say so.
TEST_F(PollCycleTest, ServedRequestsReportTheirRealOutcome) {
  using R = RequestFlags;
  ParameterTables& t = core->params.tables;
  // Every reply from the first touch of `reg` on is lost.
  const auto dropFrom = [this](uint16_t reg) {
    const auto drop = [this, reg](uint16_t first, uint16_t) {
      if (first == reg) bus.faults().failAlways(FaultKind::Drop);
    };
    bus.module().setReadHook(drop);
    bus.module().setWriteHook(drop);
  };
  struct Case {
    const char* name;
    R::Module request;
    std::function<void()> prepare;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"a main table written", R::MainWrite, [&] { t.setCellText(ParameterTables::Inps, 0, "7"); },
       true},
      {"a main table value that is no number", R::MainWrite,
       [&] { t.setCellText(ParameterTables::Inps, 0, "abc"); }, false},
      {"a service table value that is no number", R::ServiceWrite,
       [&] { t.setCellText(ParameterTables::DebInpsParam, 0, "abc"); }, false},
      {"the service tables lost on the way", R::ServiceRead,
       [&] { dropFrom(t.table(ParameterTables::DebInpsParam).start); }, false},
      {"a clock with month 13", R::SetClock,
       [&] {
         core->operation.clock.setNewValues({"2026", "13", "01", "00", "00", "00"});
       },
       false},
      {"the clock write lost", R::SetClock,
       [&] {
         core->operation.clock.setNewValues({"2026", "12", "01", "00", "00", "00"});
         dropFrom(4);
       },
       false},
      {"a log fetch lost on the way", R::ReadLog,
       [&] {
         core->operation.log.unreadCounter = 2;
         dropFrom(EventLog::RecordBlock);
       },
       false},
  };
  core->operation.clock.updateFromPc = false;
  ASSERT_TRUE(online());
  core->requests.module[R::MainRead] = true;
  core->requests.module[R::ServiceRead] = true;
  cycle->pollPass();  // the tables hold the module's values
  std::map<int, bool> served;
  QObject::connect(&core->requests, &RequestFlags::served,
                   [&](int request, bool ok) { served[request] = ok; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bus.faults().clear();
    bus.module().setReadHook({});
    bus.module().setWriteHook({});
    ASSERT_TRUE(online() || online());
    t.setCellText(ParameterTables::Inps, 0,
                  QString::number(t.bufferValue(ParameterTables::Inps, 0)));
    t.setCellText(ParameterTables::DebInpsParam, 0,
                  QString::number(t.bufferValue(ParameterTables::DebInpsParam, 0)));
    served.clear();
    c.prepare();
    core->requests.module[c.request] = true;
    cycle->pollPass();
    ASSERT_EQ(served.count(c.request), 1u);
    EXPECT_EQ(served[c.request], c.ok);
  }
}

}  // namespace
