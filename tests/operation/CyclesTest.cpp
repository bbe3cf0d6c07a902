// The endurance run through the poll pass, on virtual time, with a module whose motions end
// as soon as they start (or whose inputs the test sets).
#include <gtest/gtest.h>

#include "operation/Commands.h"
#include "operation/Cycles.h"
#include "support/SimCore.h"

namespace {

class CyclesTest : public ::testing::Test, public SimCore {
 protected:
  void SetUp() override {
    ASSERT_TRUE(online());
    cycles().EditCyclesChange("3");
    cycles().EditPauseChange("5");
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
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
  cycle->pollPass();
  EXPECT_EQ(view().status, "ВЫПОЛНЯЮТСЯ");
  EXPECT_EQ(view().statusShade, CyclesState::Shade::Red);
  passUntil([&] { return state().run() == CyclesState::Run::Stopped; });
  EXPECT_EQ(commands, (std::vector<int>{8, 9, 8, 9, 8, 9}));
  ASSERT_FALSE(prompter.boxes.empty());
  EXPECT_EQ(prompter.boxes.back().caption, "ОК");
  EXPECT_EQ(prompter.boxes.back().text, "ВЫПОЛНЕНИЕ ЦИКЛОВ ЗАВЕРШЕНО");
  EXPECT_EQ(view().done, "3");
  EXPECT_EQ(state().cyclesDone(), 0);
  cycle->pollPass();
  EXPECT_EQ(view().status, "НЕ ВЫПОЛНЯЮТСЯ");
  // The next run starts again at 0.
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
  EXPECT_EQ(view().done, "0");
  EXPECT_EQ(state().stage(), CyclesState::Stage::Start);
}

// A hundred cycles with 120 s pauses, on virtual time.
TEST_F(CyclesTest, LongEnduranceRunOnVirtualTime) {
  instantDrive();
  cycles().EditCyclesChange("100");
  cycles().EditPauseChange("120");
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
  passUntil([&] { return state().run() == CyclesState::Run::Stopped; }, 10000, 100000);
  EXPECT_EQ(view().done, "100");
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 8), 100);
}

// Each pause lasts at least its seconds and waits for the control state to allow the next
// command; the stage fields count and turn yellow.
TEST_F(CyclesTest, PausesCountTheirSecondsAndWaitForAReadyModule) {
  instantDrive();
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
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
  cycles().EditCyclesChange("1");
  state().noFeedback = true;
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
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

// Stopped during a push at 7 s and continued: the push is sent again and its field goes on
// from 7 s.
TEST_F(CyclesTest, StopAndContinueCarryTheSeconds) {
  bus.module().setWriteHook([this](uint16_t first, uint16_t) {
    if (first >= 8 && first <= 10) commands.push_back(first);
    if (first == command::kReset) bus.module().set(command::kPush, 0);
  });
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
  cycle->pollPass();  // push sent; the module executes it (register 8 stays 1)
  bus.module().set(11, 1);
  const uint32_t pushStart = clock.tick();
  passUntil([&] { return clock.tick() - pushStart >= 7000; }, 250);
  cycle->pollPass();
  cycles().ButtonStopCyclesClick();
  EXPECT_EQ(state().run(), CyclesState::Run::Paused);
  EXPECT_TRUE(core->requests.module[RequestFlags::ResetCommand]);
  cycle->pollPass();  // the reset goes out
  bus.module().set(11, 0);
  cycle->pollPass();
  EXPECT_EQ(view().status, "ПРИОСТАНОВЛЕНЫ: ПАУЗА");
  EXPECT_EQ(view().statusShade, CyclesState::Shade::Lime);
  clock.advance(60000);
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
  EXPECT_TRUE(core->requests.module[RequestFlags::Push]);
  cycle->pollPass();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 8), 2);
  EXPECT_TRUE(view().fields[CyclesState::StageOn].startsWith("ВКАТ/ВКЛЮЧЕНИЕ:  7 сек") ||
              view().fields[CyclesState::StageOn].startsWith("ВКАТ/ВКЛЮЧЕНИЕ:  8 сек"))
      << view().fields[CyclesState::StageOn].toStdString();
}

// The link down for 2.9 s lets the run go on; for 3 s it pauses it with its message.
TEST_F(CyclesTest, LinkWatchPausesAfterThreeSeconds) {
  for (uint32_t downMs : {2900u, 3000u}) {
    SCOPED_TRACE(downMs);
    bus.setModulePlugged(true);
    ASSERT_TRUE(online() || online());
    cycles().ButtonResetCyclesClick();
    cycle->pollPass();
    prompter.boxes.clear();
    ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
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

TEST_F(CyclesTest, AlarmPausesTheRun) {
  ASSERT_TRUE(cycles().ButtonStartCyclesClick("10"));
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
    EXPECT_FALSE(cycles().EditCyclesChange(text));
    EXPECT_FALSE(cycles().EditPauseChange(text));
  }
  EXPECT_EQ(state().cyclesNumber(), 3);
  EXPECT_EQ(core->mem.readInteger("cycles", "number", 0), 3);
  EXPECT_EQ(SettingsStore(dir.filePath("mem.ini")).readInteger("cycles", "pause", 0), 5);

  state().noFeedback = true;
  for (const char* text : {"0", "x"}) {
    prompter.boxes.clear();
    EXPECT_FALSE(cycles().ButtonStartCyclesClick(text));
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
    EXPECT_EQ(prompter.boxes[0].text,
              "Значение Время операции, с должно быть целым положительным числом больше нуля");
    EXPECT_EQ(state().run(), CyclesState::Run::Stopped);
  }
}

}  // namespace
