// What the simulated module does with the registers the tool writes: the motor voltage change
// under a password, its link parameters, and the parameter blocks.
#include <gtest/gtest.h>

#include <vector>

#include "sim/SimBus.h"
#include "sim/SimFrames.h"

namespace {

// A write request with its CRC: function 6 for one value, else 16.
QByteArray writeFrame(uint8_t slave, uint16_t first, const std::vector<uint16_t>& values,
                      bool single = false) {
  QByteArray hex = QByteArray::number(slave, 16).rightJustified(2, '0');
  auto word = [&](uint16_t w) { hex += ' ' + QByteArray::number(w, 16).rightJustified(4, '0'); };
  if (single) {
    hex += " 06";
    word(first);
    word(values.at(0));
  } else {
    hex += " 10";
    word(first);
    word(uint16_t(values.size()));
    hex += ' ' + QByteArray::number(int(values.size() * 2), 16).rightJustified(2, '0');
    for (uint16_t v : values) word(v);
  }
  return frame(hex.constData());
}

// The function code of the reply (with 0x80 set for an exception), or 0 for no reply.
int replyFunction(const SimBus::Reply& reply) {
  return reply.bytes.size() >= 2 ? uint8_t(reply.bytes[1]) : 0;
}

TEST(ModuleWrites, MotorVoltageChangesOnlyWithThePasswordInTheSameFrame) {
  struct Write {
    uint16_t first;
    std::vector<uint16_t> values;
    bool single = false;
  };
  struct Case {
    const char* what;
    uint16_t modulePassword;
    std::vector<Write> writes;
    uint16_t result;  // register 269 afterwards
    uint16_t type;    // register 119 afterwards, from 0
  };
  const Case cases[] = {
      {"right password", 5249, {{118, {5249, 1}}}, 1, 1},
      {"any non-zero type is stored as written", 5249, {{118, {5249, 2}}}, 1, 2},
      {"wrong password", 5249, {{118, {5248, 1}}}, 0, 0},
      {"configured password", 1234, {{118, {1234, 1}}}, 1, 1},
      {"default password on a module with another one", 1234, {{118, {5249, 1}}}, 0, 0},
      {"block that starts at the motor parameters", 5249, {{117, {3, 5249, 1}}}, 1, 1},
      {"type alone", 5249, {{119, {1}, true}}, 0, 0},
      {"password in an earlier frame", 5249, {{118, {5249}, true}, {119, {1}, true}}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimBus bus;
    ModuleModel& m = bus.module();
    m.setMotorPassword(c.modulePassword);
    m.set(ModuleModel::MotorChangeResult, 7);
    for (const Write& w : c.writes)
      ASSERT_EQ(replyFunction(bus.respond(writeFrame(100, w.first, w.values, w.single))),
                w.single ? 6 : 16);  // acknowledged either way: 269 gives the verdict
    EXPECT_EQ(m.get(ModuleModel::MotorChangeResult), c.result);
    EXPECT_EQ(m.get(ModuleModel::MotorVoltageType), c.type);
    EXPECT_EQ(readModule(bus, 118, 2).values, (std::vector<uint16_t>{0, c.type}));  // no echo
  }
}

TEST(ModuleWrites, MotorVoltageRegistersExistFromFirmware200) {
  SimBus bus;
  bus.module().installFirmware(104);
  EXPECT_EQ(hex(bus.respond(writeFrame(100, 118, {5249, 1})).bytes.mid(1, 2)), "90 02");
  EXPECT_EQ(bus.module().get(ModuleModel::MotorChangeResult), 0);
  // The password stays the module's own when another firmware is installed.
  bus.module().setMotorPassword(77);
  bus.module().installFirmware(200);
  bus.respond(writeFrame(100, 118, {77, 1}));
  EXPECT_EQ(bus.module().get(ModuleModel::MotorChangeResult), 1);
}

TEST(ModuleWrites, NewSlaveAddressAnswersFromTheNextRequestOn) {
  SimBus bus;
  ModuleModel& m = bus.module();
  // The acknowledgement still comes from the old address.
  EXPECT_EQ(hex(bus.respond(writeFrame(100, 0, {5}, true)).bytes),
            hex(writeFrame(100, 0, {5}, true)));
  EXPECT_EQ(m.address(), 5);
  EXPECT_FALSE(readModule(bus, 768, 1).answered);  // 100 is nobody now
  const QByteArray atFive = bus.respond(frame("05 03 00 00 00 01")).bytes;
  EXPECT_EQ(hex(atFive.left(5)), "05 03 02 00 05");

  // Address, speed, parity and stop bits in one frame, as the link dialog sends them.
  EXPECT_EQ(replyFunction(bus.respond(writeFrame(5, 0, {100, 4, 2, 0}))), 16);
  EXPECT_EQ(m.address(), 100);
  EXPECT_EQ(readModule(bus, 0, 4).values, (std::vector<uint16_t>{100, 4, 2, 0}));
}

TEST(ModuleWrites, LinkValuesOutOfRangeAreRefusedWhole) {
  struct Case {
    uint16_t first;
    std::vector<uint16_t> values;
  };
  const Case cases[] = {
      {0, {0}},          {0, {248}}, {0, {356}},        {1, {5}},
      {2, {3}},          {3, {2}},   {0, {7, 5, 0, 0}},  // a good address, a bad speed
      {0, {7, 0, 0, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " <- " << c.values[0]);
    SimBus bus;
    const bool single = c.values.size() == 1;
    const int function = single ? 6 : 16;
    EXPECT_EQ(replyFunction(bus.respond(writeFrame(100, c.first, c.values, single))),
              function | 0x80);
    EXPECT_EQ(bus.module().address(), 100);
    EXPECT_EQ(readModule(bus, 0, 4).values, (std::vector<uint16_t>{100, 0, 0, 1}));
  }
}

TEST(ModuleWrites, ParameterBlocksKeepWhatIsWritten) {
  struct Block {
    uint16_t first, count;
  };
  struct Version {
    int firmware;
    std::vector<Block> blocks;
  };
  const Version versions[] = {
      {104, {{64, 4}, {68, 9}, {77, 8}, {94, 13}, {112, 6}, {131, 2}}},
      {205, {{64, 4}, {68, 9}, {77, 8}, {94, 2}, {97, 13}, {113, 5}, {131, 2}}},
  };
  for (const Version& v : versions) {
    for (bool single : {true, false}) {
      SCOPED_TRACE(testing::Message()
                   << "firmware " << v.firmware << (single ? " by 6" : " by 16"));
      SimBus bus;
      bus.module().installFirmware(uint16_t(v.firmware));
      for (const Block& b : v.blocks) {
        std::vector<uint16_t> values;
        for (uint16_t i = 0; i < b.count; ++i) values.push_back(uint16_t(40000 + b.first + i));
        if (single) {
          for (uint16_t i = 0; i < b.count; ++i)
            ASSERT_EQ(replyFunction(bus.respond(writeFrame(100, b.first + i, {values[i]}, true))),
                      6);
        } else {
          ASSERT_EQ(replyFunction(bus.respond(writeFrame(100, b.first, values))), 16);
        }
        EXPECT_EQ(readModule(bus, b.first, b.count).values, values) << b.first;
      }
    }
  }
}

}  // namespace
