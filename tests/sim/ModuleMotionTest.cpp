#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/Clock.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "sim/SimConsole.h"
#include "sim/SimFrames.h"

namespace {

constexpr uint16_t kCurrent = 264;  // motor current from firmware 200 on

class ModuleMotionTest : public ::testing::Test {
 protected:
  ModuleMotionTest() { bus.setClock(clock); }

  // A command as the tool sends it: function 6 to the module at 100.
  void command(uint16_t reg) {
    const QByteArray request = withCrc({0x64, 6, 0, reg, 0, 1});
    ASSERT_EQ(hex(bus.respond(request).bytes), hex(request));
  }
  uint16_t read(uint16_t reg) { return readModule(bus, reg, 1).values.at(0); }
  // Busy registers 8 and 9 and the control state, as the control block read shows them.
  std::vector<uint16_t> block() {
    const std::vector<uint16_t> v = readModule(bus, 8, 4).values;
    return {v[0], v[1], v[3]};
  }
  std::string run(const char* line) { return console.execute(line).toStdString(); }

  VirtualClock clock;
  SimBus bus;
  SimConsole console{bus, clock};
};

TEST_F(ModuleMotionTest, PushAndPullMoveBetweenTheEndInputsOfTheInputMap) {
  struct Case {
    uint16_t inputMap;
    uint16_t command;
    uint16_t leaves;   // the end input the drive leaves: drops at once
    uint16_t reaches;  // rises after the travel time
  };
  const Case cases[] = {
      {1, 8, 24, 23},                  // map 1: push end 23, pull end 24
      {1, 9, 23, 24}, {0, 8, 26, 27},  // any other map: push end 27, pull end 26
      {0, 9, 27, 26}, {2, 8, 26, 27},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "map " << c.inputMap << " command " << c.command);
    bus.module().resetDefaults();
    bus.module().setInputMap(c.inputMap);
    bus.module().set(c.leaves, 1);
    const std::vector<uint16_t> busy = {uint16_t(c.command == 8), uint16_t(c.command == 9)};

    command(c.command);
    EXPECT_EQ(block(), (std::vector<uint16_t>{busy[0], busy[1], 1}));
    EXPECT_EQ(read(c.leaves), 0);
    EXPECT_GT(read(kCurrent), 0);

    clock.advance(2999);
    EXPECT_EQ(read(c.reaches), 0);
    EXPECT_EQ(block()[2], 1);

    clock.advance(1);  // arrived: the motor stops, the command has ended
    EXPECT_EQ(read(c.reaches), 1);
    EXPECT_EQ(read(kCurrent), 0);
    EXPECT_EQ(block(), (std::vector<uint16_t>{busy[0], busy[1], 2}));

    clock.advance(ModuleMotion::kSettleMs);  // ready for the next command
    EXPECT_EQ(block(), (std::vector<uint16_t>{0, 0, 3}));
    EXPECT_EQ(read(c.reaches), 1);
    EXPECT_EQ(read(c.leaves), 0);
  }
}

TEST_F(ModuleMotionTest, ResetStopsTheDriveWhereItIs) {
  bus.module().set(26, 1);
  command(8);
  clock.advance(1500);
  command(10);
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 0, 0}));
  EXPECT_EQ(read(10), 1);  // the reset executes for a moment
  EXPECT_EQ(read(kCurrent), 0);
  clock.advance(ModuleMotion::kResetMs);
  EXPECT_EQ(read(10), 0);
  clock.advance(5000);
  EXPECT_EQ(read(27), 0);  // never arrived
  EXPECT_EQ(read(26), 0);
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 0, 0}));

  command(9);  // and takes the next command
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 1, 1}));
}

TEST_F(ModuleMotionTest, ACommandDuringAMotionIsRefused) {
  command(8);
  clock.advance(1000);
  command(9);
  EXPECT_EQ(block(), (std::vector<uint16_t>{1, 0, 1}));
  clock.advance(2000);
  EXPECT_EQ(read(27), 1);  // the push went on to its end
  clock.advance(ModuleMotion::kSettleMs);
  command(9);
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 1, 1}));
}

TEST_F(ModuleMotionTest, CurrentPeaksSettlesOnItsPlateauAndIsZeroAtRest) {
  struct Case {
    uint16_t firmware;
    uint16_t voltageType;  // register 119
    uint16_t reg;          // where the current is
    uint16_t plateau;
  };
  const Case cases[] = {
      {205, 0, 264, ModuleMotion::kPlateau24V},
      {205, 1, 264, ModuleMotion::kPlateau220V},
      {150, 0, 259, ModuleMotion::kPlateau220V},  // no 24 V motors before 200
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware * 10 + c.voltageType);
    bus.module().installFirmware(c.firmware);
    bus.module().set(ModuleModel::MotorVoltageType, c.voltageType);
    EXPECT_EQ(read(c.reg), 0);
    const uint16_t other = c.reg == 264 ? 259 : 264;
    const uint16_t otherAtRest = read(other);

    command(8);
    std::vector<int> samples;
    for (int t = 0; t < 3000; t += 25, clock.advance(25)) samples.push_back(read(c.reg));
    const int peak = *std::max_element(samples.begin(), samples.begin() + 16);
    EXPECT_GT(peak, 2 * c.plateau);
    EXPECT_LT(peak, 3 * c.plateau);
    const auto [low, high] = std::minmax_element(samples.begin() + 20, samples.end());
    EXPECT_GE(*low, c.plateau * 97 / 100);
    EXPECT_LE(*high, c.plateau * 103 / 100);
    EXPECT_NE(*low, *high);  // a little noise
    EXPECT_EQ(read(other), otherAtRest);

    clock.advance(1);
    EXPECT_EQ(read(c.reg), 0);
    clock.advance(1000);
  }
}

TEST(ModuleMotion, SameTimesGiveTheSameCurrents) {
  auto trace = [] {
    SimBus bus;
    VirtualClock clock;
    bus.setClock(clock);
    bus.respond(withCrc({0x64, 6, 0, 9, 0, 1}));
    std::vector<uint16_t> out;
    for (int i = 0; i < 40; ++i, clock.advance(37))
      out.push_back(readModule(bus, kCurrent, 1).values.at(0));
    return out;
  };
  EXPECT_EQ(trace(), trace());
}

TEST_F(ModuleMotionTest, AlarmStopsTheDriveAndRefusesCommandsUntilCleared) {
  command(8);
  clock.advance(500);
  EXPECT_EQ(run("alarm on"), "alarm: control state 4 (register 11)");
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 0, 4}));
  EXPECT_EQ(read(kCurrent), 0);
  command(9);
  command(10);  // a reset does not clear what stands
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 0, 4}));
  clock.advance(5000);
  EXPECT_EQ(read(27), 0);

  EXPECT_EQ(run("alarm off"), "alarm cleared: control state 0 (register 11)");
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 0, 0}));
  command(9);
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 1, 1}));
}

TEST_F(ModuleMotionTest, TravelTimeFromTheConsoleAndWhatStatusShows) {
  EXPECT_EQ(run("travel"), "travel time 3000 ms");
  EXPECT_EQ(run("travel 500"), "travel time 500 ms");
  command(8);
  clock.advance(200);
  EXPECT_NE(run("status").find("drive: pushing, travel 500 ms, motor current "), std::string::npos);
  clock.advance(300);
  EXPECT_EQ(read(27), 1);
  EXPECT_NE(run("status").find("drive: arrived, travel 500 ms, motor current 0"),
            std::string::npos);
  EXPECT_EQ(run("travel 0"), "travel time 0 ms");
  clock.advance(ModuleMotion::kSettleMs);
  command(9);
  EXPECT_EQ(block(), (std::vector<uint16_t>{0, 1, 2}));  // there at once
}

TEST_F(ModuleMotionTest, ConsoleTickMovesTheDriveWithoutAnyRead) {
  command(8);
  clock.advance(3000);
  console.tick();
  EXPECT_EQ(bus.module().get(27), 1);
  EXPECT_EQ(bus.module().get(ModuleModel::ControlState), 2);
}

TEST_F(ModuleMotionTest, AMemoryLineRunsTheModuleOnItsClock) {
  SimBus other;
  VirtualClock lineClock(50'000);
  MemoryLine line(other, lineClock);
  other.respond(withCrc({0x64, 6, 0, 9, 0, 1}));
  lineClock.advance(3000 + ModuleMotion::kSettleMs);
  EXPECT_EQ(readModule(other, 8, 4).values, (std::vector<uint16_t>{0, 0, 0, 3}));
  EXPECT_EQ(readModule(other, 26, 1).values, (std::vector<uint16_t>{1}));
}

}  // namespace

namespace {

// Tests that script the module by hand switch the motion off: writes are stored as written.
TEST(ModuleMotion, OffTheModuleStoresCommandsAndNothingMoves) {
  SimBus bus;
  VirtualClock clock;
  bus.setClock(clock);
  bus.module().motion().setEnabled(false);
  bus.respond(withCrc({0x64, 6, 0, 8, 0, 1}));
  clock.advance(10'000);
  EXPECT_EQ(readModule(bus, 8, 4).values, (std::vector<uint16_t>{1, 0, 0, 0}));
  EXPECT_EQ(readModule(bus, 264, 1).values, (std::vector<uint16_t>{0}));
}

}  // namespace
