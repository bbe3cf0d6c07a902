#include <gtest/gtest.h>

#include <vector>

#include "sim/SimBus.h"
#include "sim/SimFrames.h"

namespace {

class SimBusTest : public ::testing::Test {
 protected:
  std::string ask(const char* request) { return hex(bus.respond(frame(request)).bytes); }

  SimBus bus;
};

TEST_F(SimBusTest, ReadsHoldingRegistersHighByteFirstWithCrcLowByteFirst) {
  EXPECT_EQ(ask("64 03 03 00 00 02"), "64 03 04 00 CD 00 00 5E CA");  // 768, 769: 205.0
  EXPECT_EQ(ask("64 03 00 40 00 02"), "64 03 04 00 0A 00 14 EF 38");  // gains 64, 65
}

TEST_F(SimBusTest, WriteSingleEchoesTheRequestAndStoresTheValue) {
  EXPECT_EQ(ask("64 06 00 08 00 01"), "64 06 00 08 00 01 C0 3D");
  EXPECT_EQ(bus.module().get(ModuleModel::PushCommand), 1);
}

TEST_F(SimBusTest, WriteMultipleEchoesAddressAndCountAndCallsTheHookOnce) {
  std::vector<std::pair<int, int>> writes;
  bus.module().setWriteHook([&](uint16_t first, uint16_t count) {
    writes.push_back({first, count});
  });

  EXPECT_EQ(ask("64 10 00 04 00 02 04 5A 00 65 A1"), "64 10 00 04 00 02 09 FC");
  EXPECT_EQ(bus.module().clockSeconds(), 0x65A15A00u);
  EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{4, 2}}));
}

TEST_F(SimBusTest, RefusedRequestsGetExceptionRepliesAndChangeNothing) {
  struct Case {
    const char* what;
    const char* request;
    const char* reply;
  };
  const Case cases[] = {
      {"unknown function", "64 04 00 00 00 01", "64 84 01 92 DF"},
      {"register outside the map", "64 03 00 06 00 01", "64 83 02 D0 EE"},
      {"block running into a hole", "64 03 00 3A 00 03", "64 83 02 D0 EE"},
      {"block past the last register", "64 03 FF FF 00 02", "64 83 02 D0 EE"},
      {"count 0", "64 03 00 00 00 00", "64 83 03 11 2E"},
      {"count 126", "64 03 00 00 00 7E", "64 83 03 11 2E"},
      {"write to the firmware version", "64 06 03 00 00 01", "64 86 02 D3 BE"},
      {"write to a digital input", "64 06 00 10 00 01", "64 86 02 D3 BE"},
      {"byte count not twice the count", "64 10 00 08 00 01 04 00 01 00 01", "64 90 03 1C 1E"},
      {"write ending on a read-only register", "64 10 00 0A 00 02 04 00 01 00 07",
       "64 90 02 DD DE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ask(c.request), c.reply);
  }
  EXPECT_EQ(bus.module().get(ModuleModel::ResetCommand), 0);  // the refused block wrote nothing
  EXPECT_EQ(bus.module().get(ModuleModel::ControlState), 0);
  EXPECT_EQ(bus.module().firmwareVersion(), 205);
}

TEST_F(SimBusTest, RegisterMapFollowsTheFirmwareVersion) {
  struct Case {
    int firmware;
    uint16_t reg;
    bool mapped;
  };
  const Case cases[] = {
      {205, 64, true},   {209, 64, false},  {209, 65, false},  {209, 66, true},   {209, 67, true},
      {0, 82, true},     {0, 83, false},    {100, 84, true},   {205, 85, false},  {205, 93, false},
      {102, 96, false},  {102, 97, true},   {102, 106, true},  {102, 107, false}, {100, 96, true},
      {100, 105, true},  {100, 106, false}, {104, 94, true},   {104, 106, true},  {205, 109, true},
      {205, 110, false}, {201, 94, false},  {203, 95, true},   {0, 107, true},    {101, 112, true},
      {102, 112, false}, {205, 113, true},  {205, 117, true},  {104, 119, false}, {200, 118, true},
      {200, 119, true},  {102, 131, false}, {103, 132, true},  {205, 133, false}, {205, 255, false},
      {205, 271, true},  {205, 272, false}, {205, 334, false}, {205, 345, true},  {205, 346, false},
      {205, 592, true},  {205, 769, true},  {205, 770, false}, {150, 97, true},   {150, 96, false},
      {0, 3, true},      {0, 7, false},     {0, 12, false},    {0, 33, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "firmware " << c.firmware << " register " << c.reg);
    bus.module().setFirmware(uint16_t(c.firmware));
    const QByteArray request = QByteArray::number(c.reg, 16).rightJustified(4, '0');
    const std::string reply = ask(("64 03 " + request + " 00 01").constData());
    EXPECT_EQ(reply.substr(3, 2), c.mapped ? "03" : "83");
  }
}

TEST_F(SimBusTest, ConfigurationShowsInTheModuleRegisters) {
  ModuleModel& m = bus.module();
  m.setAddress(1);
  m.setFirmware(204, 13);
  m.setLogicNumber(3);
  m.setInputMap(1);
  EXPECT_EQ(hex(bus.respond(frame("64 03 00 00 00 01")).bytes), "");  // 100 is nobody now
  const QByteArray reply = bus.respond(frame("01 03 00 00 00 01")).bytes;
  EXPECT_EQ(hex(reply.mid(3, 2)), "00 01");
  EXPECT_EQ(m.get(ModuleModel::FirmwareVersion), 204);
  EXPECT_EQ(m.get(ModuleModel::FirmwareRevision), 13);
  EXPECT_EQ(m.get(ModuleModel::LogicNumber), 3);
  EXPECT_EQ(m.get(ModuleModel::InputMap), 1);
}

TEST_F(SimBusTest, FramesNobodyShouldAnswerGetNoReply) {
  QByteArray badCrc = frame("64 03 00 00 00 01");
  badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x01);
  EXPECT_TRUE(bus.respond(badCrc).bytes.isEmpty());
  EXPECT_TRUE(bus.respond(frame("63 03 00 00 00 01")).bytes.isEmpty());  // no such address
  EXPECT_TRUE(bus.respond(QByteArray::fromHex("64 03 00")).bytes.isEmpty());

  // A bad-CRC write is not carried out either.
  QByteArray badWrite = frame("64 06 00 08 00 01");
  badWrite[2] = char(0x01);
  EXPECT_TRUE(bus.respond(badWrite).bytes.isEmpty());
  EXPECT_EQ(bus.module().get(ModuleModel::PushCommand), 0);
}

TEST_F(SimBusTest, BroadcastWriteReachesEveryDeviceWithoutReply) {
  EXPECT_TRUE(bus.respond(frame("00 06 00 32 00 07")).bytes.isEmpty());
  EXPECT_EQ(bus.r16().outputs(), 7);
  EXPECT_EQ(bus.d8r4().outputs(), 7);
  EXPECT_EQ(bus.module().get(50), 0);  // an error flag: read-only on the module
}

TEST_F(SimBusTest, BenchModulesServeTheirOutputAndInputWords) {
  bus.d8r4().setInputs(0x000C);
  bus.d8r4().setOutputs(0x0005);
  EXPECT_EQ(ask("11 03 00 32 00 02"), "11 03 04 00 05 00 0C FB F6");
  EXPECT_EQ(ask("10 10 00 32 00 01 02 80 01"), "10 10 00 32 00 01 A3 47");
  EXPECT_EQ(bus.r16().outputs(), 0x8001);
  EXPECT_EQ(bus.d8r4().outputs(), 0x0005);  // the other module is untouched

  EXPECT_EQ(ask("11 06 00 33 00 01"), "11 86 02 C2 64");  // inputs are wired, not written
  EXPECT_EQ(ask("10 10 00 32 00 02 04 00 01 00 01"), "10 90 02 9D C4");
  EXPECT_EQ(hex(bus.respond(frame("10 03 00 31 00 01")).bytes.mid(1, 2)), "83 02");
  EXPECT_EQ(hex(bus.respond(frame("10 01 00 32 00 01")).bytes.mid(1, 2)), "81 01");
}

}  // namespace
