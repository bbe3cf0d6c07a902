// Every firmware version the tool knows answers its parameter blocks where its layout puts
// them, with plausible values, and refuses the registers just outside.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/SimBus.h"
#include "sim/SimFrames.h"

namespace {

struct Block {
  int first;
  int count;
};

struct Layout {
  int version;
  Block timers;
  Block motor;
  int serviceCount;  // from register 77
  Block amps;        // count 0: the tool assigns none
};

const Layout kLayouts[] = {
    {0, {96, 12}, {112, 6}, 6, {64, 4}},
    {100, {96, 10}, {112, 6}, 8, {64, 4}},
    {101, {96, 11}, {112, 6}, 8, {64, 4}},
    {102, {97, 10}, {113, 5}, 8, {64, 4}},
    {103, {96, 11}, {112, 6}, 8, {0, 0}},
    {104, {94, 13}, {112, 6}, 8, {64, 4}},
    {200, {97, 10}, {113, 5}, 8, {64, 4}},
    {201, {97, 13}, {113, 5}, 8, {64, 4}},
    {202, {97, 13}, {113, 5}, 8, {64, 4}},
    {203, {97, 13}, {113, 5}, 8, {64, 4}},
    {204, {97, 13}, {113, 5}, 8, {64, 4}},
    {205, {97, 13}, {113, 5}, 8, {64, 4}},
    {209, {97, 13}, {113, 5}, 8, {66, 2}},
    // Versions without a row of their own.
    {1, {97, 13}, {113, 5}, 8, {0, 0}},
    {99, {97, 13}, {113, 5}, 8, {0, 0}},
    {105, {97, 13}, {113, 5}, 8, {0, 0}},
    {199, {97, 13}, {113, 5}, 8, {0, 0}},
    {206, {97, 13}, {113, 5}, 8, {0, 0}},
    {208, {97, 13}, {113, 5}, 8, {0, 0}},
};

bool allNonZero(const std::vector<uint16_t>& values) {
  return std::none_of(values.begin(), values.end(), [](uint16_t v) { return v == 0; });
}

TEST(ModuleFirmware, EveryVersionAnswersItsBlocksAndRefusesTheirNeighbours) {
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(testing::Message() << "firmware " << l.version);
    SimBus bus;
    bus.module().installFirmware(uint16_t(l.version), 2);
    EXPECT_EQ(readModule(bus, 768, 2).values, (std::vector<uint16_t>{uint16_t(l.version), 2}));

    const RegisterRead timers = readModule(bus, l.timers.first, l.timers.count);
    EXPECT_EQ(timers.values.size(), size_t(l.timers.count));
    EXPECT_TRUE(allNonZero(timers.values));
    EXPECT_EQ(readModule(bus, l.timers.first - 1, 1).exception, 2);
    EXPECT_EQ(readModule(bus, l.timers.first + l.timers.count, 1).exception, 2);

    const RegisterRead motor = readModule(bus, l.motor.first, l.motor.count);
    EXPECT_EQ(motor.values.size(), size_t(l.motor.count));
    EXPECT_TRUE(allNonZero(motor.values));
    EXPECT_EQ(readModule(bus, l.motor.first - 1, 1).exception, 2);

    const RegisterRead service = readModule(bus, 77, l.serviceCount);
    ASSERT_EQ(service.values.size(), size_t(l.serviceCount));
    EXPECT_EQ(readModule(bus, 77 + l.serviceCount, 1).exception, 2);
    // The inversion mask (no input inverted) is row 1 from 209 on, row 8 before; version 0
    // has no mask row.
    std::vector<uint16_t> parameters = service.values;
    if (l.version >= 209) {
      EXPECT_EQ(service.values.front(), 0);
      parameters.erase(parameters.begin());
    } else if (l.serviceCount == 8) {
      EXPECT_EQ(service.values.back(), 0);
      parameters.pop_back();
    }
    EXPECT_TRUE(allNonZero(parameters));

    if (l.amps.count) {
      const RegisterRead amps = readModule(bus, l.amps.first, l.amps.count);
      EXPECT_EQ(amps.values.size(), size_t(l.amps.count));
      EXPECT_TRUE(allNonZero(amps.values));
    }

    const RegisterRead control = readModule(bus, 8, 4);
    EXPECT_EQ(control.values, (std::vector<uint16_t>{0, 0, 0, 0}));  // idle and ready
    EXPECT_EQ(readModule(bus, 256, 16).values.size(), 16u);
  }
}

TEST(ModuleFirmware, GainBlockOf209StartsAtRegister66) {
  SimBus bus;
  bus.module().installFirmware(209);
  EXPECT_EQ(readModule(bus, 64, 1).exception, 2);
  EXPECT_EQ(readModule(bus, 64, 4).exception, 2);
  EXPECT_EQ(readModule(bus, 66, 2).values.size(), 2u);
}

TEST(ModuleFirmware, InstallingFirmwareKeepsTheInstallationButNotTheState) {
  SimBus bus;
  ModuleModel& m = bus.module();
  m.setAddress(7);
  m.setLogicNumber(3);
  m.setInputMap(1);
  m.set(ModuleModel::DigitalInputs, 1);
  m.set(ModuleModel::ControlState, 4);
  m.set(97, 4321);
  m.installFirmware(102, 5);
  EXPECT_EQ(m.address(), 7);
  EXPECT_EQ(m.get(ModuleModel::SlaveAddress), 7);
  EXPECT_EQ(m.get(ModuleModel::LogicNumber), 3);
  EXPECT_EQ(m.get(ModuleModel::InputMap), 1);
  EXPECT_EQ(m.get(ModuleModel::DigitalInputs), 0);
  EXPECT_EQ(m.get(ModuleModel::ControlState), 0);
  EXPECT_NE(m.get(97), 4321);
  EXPECT_EQ(m.firmwareRevision(), 5);
}

}  // namespace
