// The endurance run through the poll pass, on virtual time, with a module whose motions end
// as soon as they start (or whose inputs the test sets).
#include <gtest/gtest.h>

#include "operation/Commands.h"
#include "operation/Cycles.h"
#include "operation/OperationSession.h"
#include "support/SimSession.h"

namespace {

class CyclesTest : public ::testing::Test, public SimSession<OperationSession> {
 protected:
  void SetUp() override {
    bus.module().motion().setEnabled(false);  // the tests drive the module by hand
    ASSERT_TRUE(online());
    cycles().setCyclesNumber("3");
    cycles().setPause("5");
  }
  // The drive finishes each motion at once: the other end-position input, control state 3.
  void instantDrive() {
    bus.module().setWriteHook([this](uint16_t first, uint16_t) {
      ModuleModel& m = bus.module();
      if (first == command::kPush || first == command::kPull) {
        const bool push = first == command::kPush;
        m.set(first, 0);
        m.set(27, push ? 1 : 0);
        m.set(26, push ? 0 : 1);
        m.set(11, 3);
        commands.push_back(first);
      } else if (first == command::kReset) {
        m.set(first, 0);
        commands.push_back(first);
      }
    });
  }
  Cycles cycles() { return Cycles(core->operationContext()); }
  CyclesState& state() { return core->operation.cycles; }
  CyclesState::View view() { return state().view(); }
  // Passes, with `stepMs` of virtual time between them, until `done` or `limit` passes.
  int passUntil(const std::function<bool()>& done, uint32_t stepMs = 1000, int limit = 10000) {
    int n = 0;
    while (!done() && n++ < limit) {
      cycle->pollPass();
      clock.advance(stepMs);
    }
    return n;
  }
  std::vector<int> commands;
};

TEST_F(CyclesTest, AWholeRunEndsWithItsMessageAndTheNextStartsAtZero) {
  instantDrive();
  ASSERT_TRUE(cycles().startOrContinue("10"));
  cycle->pollPass();
  EXPECT_EQ(view().status, "ВЫПОЛНЯЮТСЯ");
  EXPECT_EQ(view().statusShade, CyclesState::Shade::Red);
  passUntil([&] { return state().run() == CyclesState::Run::Stopped; });
  EXPECT_EQ(commands, (std::vector<int>{8, 9, 8, 9, 8, 9}));
  ASSERT_FALSE(prompter.boxes.empty());
  EXPECT_EQ(prompter.boxes.back().caption, "ОК");
  EXPECT_EQ(prompter.boxes.back().text, "ВЫПОЛНЕНИЕ ЦИКЛОВ ЗАВЕРШЕНО");
  // While the message is up the run shows as over, and polling goes on, so the command and
  // control state shown are the module's own.
  EXPECT_FALSE(prompter.boxes.back().held);
  EXPECT_EQ(view().status, "НЕ ВЫПОЛНЯЮТСЯ");
  EXPECT_EQ(view().statusShade, CyclesState::Shade::Face);
  EXPECT_TRUE(view().noFeedbackTimeEditable);
  for (const QString& field : view().fields) EXPECT_EQ(field, "");
  EXPECT_EQ(view().done, "3");
  EXPECT_EQ(state().cyclesDone(), 0);
  // The next run starts again at 0.
  ASSERT_TRUE(cycles().startOrContinue("10"));
  EXPECT_EQ(view().done, "0");
  EXPECT_EQ(state().stage(), CyclesState::Stage::Start);
}

// A hundred cycles with 120 s pauses, on virtual time.
TEST_F(CyclesTest, LongEnduranceRunOnVirtualTime) {
  instantDrive();
  cycles().setCyclesNumber("100");
  cycles().setPause("120");
  ASSERT_TRUE(cycles().startOrContinue("10"));
  passUntil([&] { return state().run() == CyclesState::Run::Stopped; }, 10000, 100000);
  EXPECT_EQ(view().done, "100");
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 8), 100);
}

// Each pause lasts at least its seconds and waits for the control state to allow the next
// command; the stage fields count and turn yellow.
TEST_F(CyclesTest, PausesCountTheirSecondsAndWaitForAReadyModule) {
  instantDrive();
  ASSERT_TRUE(cycles().startOrContinue("10"));
  passUntil([&] { return state().stage() == CyclesState::Stage::PauseAfterPush; });
  EXPECT_TRUE(view().active[CyclesState::StagePauseAfterOn]);
  EXPECT_FALSE(view().active[CyclesState::StageOn]);
  EXPECT_EQ(view().fields[CyclesState::StageOn], "");
  bus.module().set(11, 1);  // not ready
  clock.advance(6000);
  cycle->pollPass();
  cycle->pollPass();
  EXPECT_EQ(state().stage(), CyclesState::Stage::PauseAfterPush);
  EXPECT_TRUE(view().fields[CyclesState::StagePauseAfterOn].startsWith("ПАУЗА ПОСЛЕ ВКАТ/ВКЛ:  "));
  EXPECT_TRUE(view().fields[CyclesState::StagePauseAfterOn].endsWith(" сек"));
  bus.module().set(11, 0);
  cycle->pollPass();
  EXPECT_EQ(state().stage(), CyclesState::Stage::Pull);
}

// Without end-position inputs each motion lasts its operation time and ends with a reset; the
// last cycle also writes the reset register at once.
TEST_F(CyclesTest, NoFeedbackMotionsLastTheirTimeAndEndWithAReset) {
  bus.module().setWriteHook([this](uint16_t first, uint16_t) {
    if (first >= 8 && first <= 10) {
      commands.push_back(first);
      bus.module().set(first, 0);
    }
  });
  cycles().setCyclesNumber("1");
  state().noFeedback = true;
  ASSERT_TRUE(cycles().startOrContinue("10"));
  EXPECT_FALSE(view().noFeedbackTimeEditable);
  EXPECT_EQ(core->mem.readString("cycles", "no_fb_time", "-"), "10");
  EXPECT_EQ(core->mem.readInteger("cycles", "no_feedback", -1), 1);
  cycle->pollPass();  // the push is sent
  const uint32_t pushStart = clock.tick();
  passUntil([&] { return state().stage() != CyclesState::Stage::Push; }, 500);
  EXPECT_GE(clock.tick() - pushStart, 10000u);
  EXPECT_LT(clock.tick() - pushStart, 12000u);
  passUntil([&] { return state().run() == CyclesState::Run::Stopped; }, 1000);
  cycle->pollPass();  // serves the reset request of the last motion
  // push, the reset ending it, pull, the direct reset of the last cycle and the requested one
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 10), 3);
  EXPECT_EQ(commands.back(), 10);
}

// Stopped during a push at 7.5 s and continued: the push is sent again and its field goes on
// from 7 s.
TEST_F(CyclesTest, StopAndContinueCarryTheSeconds) {
  bus.module().setWriteHook([this](uint16_t first, uint16_t) {
    if (first >= 8 && first <= 10) commands.push_back(first);
    if (first == command::kReset) bus.module().set(command::kPush, 0);
  });
  ASSERT_TRUE(cycles().startOrContinue("10"));
  cycle->pollPass();  // push sent; the module executes it (register 8 stays 1)
  // The stage starts when the push has gone out, the pass's last exchange.
  const uint32_t pushStart = clock.tick();
  bus.module().set(11, 1);
  cycle->pollPass();
  clock.advance(pushStart + 7500 - clock.tick());
  cycles().stop();
  EXPECT_EQ(state().run(), CyclesState::Run::Paused);
  EXPECT_EQ(view().status, "ПРИОСТАНОВЛЕНЫ: ПАУЗА");
  EXPECT_EQ(view().statusShade, CyclesState::Shade::Lime);
  EXPECT_TRUE(core->requests.module[RequestFlags::ResetCommand]);
  cycle->pollPass();  // the reset goes out
  bus.module().set(11, 0);
  cycle->pollPass();
  clock.advance(60000);
  ASSERT_TRUE(cycles().startOrContinue("10"));
  EXPECT_TRUE(core->requests.module[RequestFlags::Push]);
  cycle->pollPass();  // well under a second: the push again, then the stage
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 8), 2);
  EXPECT_EQ(view().fields[CyclesState::StageOn], "ВКАТ/ВКЛЮЧЕНИЕ:  7 сек");
}

// "Сброс циклов" in the middle of a run: a reset for the module, every stage field emptied, the
// count back to 0, and the next start from the beginning.
TEST_F(CyclesTest, ResetOfTheRunClearsEverything) {
  instantDrive();
  ASSERT_TRUE(cycles().startOrContinue("10"));
  passUntil([&] { return state().stage() == CyclesState::Stage::PauseAfterPull; });
  ASSERT_EQ(view().done, "0");
  ASSERT_TRUE(view().active[CyclesState::StagePauseAfterOff]);
  cycles().reset();
  EXPECT_TRUE(core->requests.module[RequestFlags::ResetCommand]);
  EXPECT_EQ(state().run(), CyclesState::Run::Stopped);
  EXPECT_EQ(state().stage(), CyclesState::Stage::Start);
  EXPECT_EQ(state().cyclesDone(), 0);
  EXPECT_EQ(view().status, "НЕ ВЫПОЛНЯЮТСЯ");
  EXPECT_EQ(view().done, "0");
  EXPECT_TRUE(view().noFeedbackTimeEditable);
  for (int f = 0; f < CyclesState::FieldCount; ++f) {
    EXPECT_EQ(view().fields[f], "") << f;
    EXPECT_FALSE(view().active[f]) << f;
  }
  commands.clear();
  cycle->pollPass();  // the reset goes out; nothing else
  EXPECT_EQ(commands, std::vector<int>{10});
}

// The user resets or stops the run while a command of it is on the bus: the run stays as the
// user left it and never enters the next stage.
TEST_F(CyclesTest, UserActionDuringACommandSendHolds) {
  for (bool reset : {true, false}) {
    SCOPED_TRACE(reset ? "Сброс циклов" : "Остановить");
    cycles().reset();
    bus.module().set(command::kPush, 0);  // not busy: the push is written
    cycle->pollPass();
    bus.module().setWriteHook([this, reset](uint16_t first, uint16_t) {
      if (first != command::kPush) return;
      if (reset)
        cycles().reset();
      else
        cycles().stop();
    });
    ASSERT_TRUE(cycles().startOrContinue("10"));
    cycle->pollPass();
    EXPECT_EQ(state().run(), reset ? CyclesState::Run::Stopped : CyclesState::Run::Paused);
    EXPECT_EQ(state().stage(), CyclesState::Stage::Start);
    EXPECT_EQ(view().fields[CyclesState::StageOn], "");
    EXPECT_FALSE(view().active[CyclesState::StageOn]);
    bus.module().setWriteHook({});
  }
}

// A motion ends on its own end-position input once timeout_motion has passed: registers 23/24
// with input map 1, 27/26 otherwise. The other map's input, or the right one too early, does
// not end it.
TEST_F(CyclesTest, EndPositionInputsFollowTheInputMap) {
  struct Case {
    uint16_t map, pushEnd, pullEnd;
  };
  for (const Case c : {Case{0, 27, 26}, Case{1, 23, 24}}) {
    SCOPED_TRACE(c.map);
    cycles().reset();
    for (uint16_t r : {23, 24, 26, 27}) bus.module().set(r, 0);
    bus.module().set(76, c.map);
    core->requests.module[RequestFlags::InputMap] = true;
    cycle->pollPass();
    ASSERT_TRUE(cycles().startOrContinue("10"));
    cycle->pollPass();        // the push goes out
    bus.module().set(11, 1);  // moving, until the input says otherwise
    const uint16_t otherMapEnd = c.map == 1 ? 27 : 23;
    bus.module().set(otherMapEnd, 1);
    clock.advance(5000);
    cycle->pollPass();
    EXPECT_EQ(state().stage(), CyclesState::Stage::Push);
    bus.module().set(otherMapEnd, 0);
    bus.module().set(c.pushEnd, 1);
    cycle->pollPass();
    EXPECT_EQ(state().stage(), CyclesState::Stage::PauseAfterPush);
    // The pull: its input already on at once does not count before timeout_motion.
    clock.advance(6000);
    bus.module().set(11, 0);
    cycle->pollPass();  // the pull goes out
    ASSERT_EQ(state().stage(), CyclesState::Stage::Pull);
    bus.module().set(11, 1);
    bus.module().set(c.pullEnd, 1);
    cycle->pollPass();
    EXPECT_EQ(state().stage(), CyclesState::Stage::Pull);
    clock.advance(1000);
    cycle->pollPass();
    EXPECT_EQ(state().stage(), CyclesState::Stage::PauseAfterPull);
  }
}

// The link down for 2.9 s lets the run go on; for 3 s it pauses it with its message.
TEST_F(CyclesTest, LinkWatchPausesAfterThreeSeconds) {
  for (uint32_t downMs : {2900u, 3000u}) {
    SCOPED_TRACE(downMs);
    bus.setModulePlugged(true);
    ASSERT_TRUE(online() || online());
    cycles().reset();
    cycle->pollPass();
    prompter.boxes.clear();
    ASSERT_TRUE(cycles().startOrContinue("10"));
    cycle->pollPass();
    bus.setModulePlugged(false);
    // Exactly: the first pass off line notes the time, a later one judges it.
    core->flags.moduleOnline = false;
    Cycles(core->operationContext()).cyclesStep();
    clock.advance(downMs);
    Cycles(core->operationContext()).cyclesStep();
    const bool paused = state().run() == CyclesState::Run::Paused;
    EXPECT_EQ(paused, downMs >= 3000);
    if (paused) {
      ASSERT_EQ(prompter.boxes.size(), 1u);
      EXPECT_EQ(prompter.boxes[0].text,
                "ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: СВЯЗЬ С МОДУЛЕМ ПРЕРВАНА");
    }
  }
}

// The USB adapter pulled out during a run: the port cannot even be opened, and still the run's
// watch pauses it within its three seconds. Plugged back in, it stays paused until continued.
TEST_F(CyclesTest, AdapterPulledOutPausesTheRun) {
  instantDrive();
  ASSERT_TRUE(cycles().startOrContinue("10"));
  cycle->pollPass();
  line->setUnplugged(true);
  line->setAbsent(true);
  const uint32_t pulledAt = clock.tick();
  passUntil([&] { return state().run() != CyclesState::Run::Running; }, 0, 100);
  EXPECT_FALSE(core->port().isOpen());
  EXPECT_EQ(state().run(), CyclesState::Run::Paused);
  EXPECT_LE(clock.tick() - pulledAt, 5000u);
  ASSERT_FALSE(prompter.boxes.empty());
  EXPECT_EQ(prompter.boxes.back().text,
            "ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: СВЯЗЬ С МОДУЛЕМ ПРЕРВАНА");
  line->setUnplugged(false);
  line->setAbsent(false);
  commands.clear();
  passUntil([] { return false; }, 1000, 5);
  EXPECT_TRUE(core->flags.moduleOnline);
  EXPECT_EQ(state().run(), CyclesState::Run::Paused);
  EXPECT_TRUE(commands.empty());
}

TEST_F(CyclesTest, AlarmPausesTheRun) {
  ASSERT_TRUE(cycles().startOrContinue("10"));
  cycle->pollPass();
  bus.module().set(11, 4);
  cycle->pollPass();
  EXPECT_EQ(state().run(), CyclesState::Run::Paused);
  ASSERT_FALSE(prompter.boxes.empty());
  EXPECT_EQ(prompter.boxes.back().text, "ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: АВАРИЯ");
}

TEST_F(CyclesTest, InvalidSettingsAreRefused) {
  for (const char* text : {"0", "-3", "abc", ""}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(cycles().setCyclesNumber(text));
    EXPECT_FALSE(cycles().setPause(text));
  }
  EXPECT_EQ(state().cyclesNumber(), 3);
  EXPECT_EQ(core->mem.readInteger("cycles", "number", 0), 3);
  EXPECT_EQ(SettingsStore(dir.filePath("mem.ini")).readInteger("cycles", "pause", 0), 5);

  state().noFeedback = true;
  for (const char* text : {"0", "x"}) {
    prompter.boxes.clear();
    EXPECT_FALSE(cycles().startOrContinue(text));
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
    EXPECT_EQ(prompter.boxes[0].text,
              "Значение Время операции, с должно быть целым положительным числом больше нуля");
    EXPECT_EQ(state().run(), CyclesState::Run::Stopped);
  }
}

}  // namespace
