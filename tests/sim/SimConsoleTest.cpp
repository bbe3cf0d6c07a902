#include <gtest/gtest.h>

#include <vector>

#include "core/Clock.h"
#include "sim/SimBus.h"
#include "sim/SimConsole.h"
#include "sim/SimFrames.h"

namespace {

class SimConsoleTest : public ::testing::Test {
 protected:
  std::string run(const char* line) {
    return console.execute(QString::fromUtf8(line)).toStdString();
  }
  uint16_t reg(uint16_t r) { return bus.module().get(r); }
  std::vector<uint16_t> snapshot() {
    std::vector<uint16_t> all;
    for (int r = 0; r < 1024; ++r) all.push_back(bus.module().get(uint16_t(r)));
    return all;
  }

  SimBus bus;
  VirtualClock clock;
  SimConsole console{bus, clock};
};

TEST_F(SimConsoleTest, CommandsSetTheirRegisterAndSaySo) {
  struct Case {
    const char* line;
    uint16_t reg;
    uint16_t value;
    const char* reply;
  };
  const Case cases[] = {
      {"input 1 on", 16, 1, "input 1 on (register 16 = 1)"},
      {"input 17 on", 32, 1, "input 17 on (register 32 = 1)"},
      {"input 010 on", 25, 1, "input 10 on (register 25 = 1)"},  // decimal, not octal
      {"  INPUT   3  ON ", 18, 1, "input 3 on (register 18 = 1)"},
      {"input 17 off", 32, 0, "input 17 off (register 32 = 0)"},
      {"error 1 on", 48, 1, "error 1 on (register 48 = 1)"},
      {"error 12 on", 59, 1, "error 12 on (register 59 = 1)"},
      {"output 1 on", 128, 1, "output 1 on (register 128 = 1)"},
      {"output 3 on", 130, 1, "output 3 on (register 130 = 1)"},
      {"debug 1 500", 256, 500, "debug 1 = 500 (register 256)"},
      {"debug 16 0x10", 271, 16, "debug 16 = 16 (register 271)"},
      {"state 4", 11, 4, "control state 4 (register 11)"},
      {"set 97 321", 97, 321, "97 = 321"},
      {"set 0x61 65535", 97, 65535, "97 = 65535"},
      {"set 768 209", 768, 209, "768 = 209"},  // raw: the map follows, the values do not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(run(c.line), c.reply);
    EXPECT_EQ(reg(c.reg), c.value);
  }
  EXPECT_EQ(run("get 97"), "97 = 65535");
  EXPECT_EQ(readModule(bus, 64, 1).exception, 2);  // 209's map after the raw set
}

TEST_F(SimConsoleTest, ToggleFlipsAndOutputsKeepTheirOtherBits) {
  run("input 5 toggle");
  EXPECT_EQ(reg(20), 1);
  bus.module().set(20, 2);  // any non-zero value is an active input
  EXPECT_EQ(run("input 5 toggle"), "input 5 off (register 20 = 0)");
  EXPECT_EQ(reg(20), 0);

  run("set 129 0x0100");
  EXPECT_EQ(run("output 2 on"), "output 2 on (register 129 = 257)");
  run("output 2 off");
  EXPECT_EQ(reg(129), 0x0100);
}

TEST_F(SimConsoleTest, BadCommandsChangeNothingAndSayWhy) {
  const char* lines[] = {
      "input 0 on",     "input 18 on",   "input 1 maybe",   "input 1",        "error 13 on",
      "error 1 toggle", "output 4 on",   "output 1 toggle", "debug 17 1",     "debug 1 65536",
      "debug 1 -1",     "set 65536 1",   "set 1",           "set x 1",        "get",
      "state",          "state 70000",   "firmware",        "firmware x",     "firmware 205 1 2",
      "fault",          "fault smoke",   "fault drop:2",    "fault drop:x",   "drift maybe",
      "frobnicate",     "unplug now",    "password x",      "password 70000", "password 1 2",
      "travel -1",      "travel 600001", "travel 1 2",      "alarm",          "alarm maybe",
      "cable",          "cable loose",   "unplug",          "plug",
  };
  const std::vector<uint16_t> before = snapshot();
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    EXPECT_EQ(run(line).substr(0, 2), "? ");
  }
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(bus.module().motorPassword(), ModuleModel::kDefaultMotorPassword);
  EXPECT_TRUE(bus.faults().empty());
  EXPECT_TRUE(bus.modulePlugged());
  EXPECT_FALSE(console.quitRequested());
  EXPECT_EQ(run(""), "");
}

TEST_F(SimConsoleTest, FirmwareSwapsTheRegisterMap) {
  EXPECT_EQ(readModule(bus, 64, 4).values.size(), 4u);
  EXPECT_EQ(run("firmware 209"), "firmware 209 plugged in: its register map and power-on values");
  EXPECT_EQ(readModule(bus, 64, 1).exception, 2);
  EXPECT_EQ(readModule(bus, 66, 2).values.size(), 2u);
  EXPECT_EQ(readModule(bus, 768, 2).values, (std::vector<uint16_t>{209, 0}));

  EXPECT_EQ(run("firmware 104 13"),
            "firmware 104.13 plugged in: its register map and power-on values");
  EXPECT_EQ(readModule(bus, 768, 2).values, (std::vector<uint16_t>{104, 13}));
  EXPECT_EQ(readModule(bus, 94, 13).values.size(), 13u);
  EXPECT_EQ(readModule(bus, 118, 2).exception, 2);  // no motor voltage before 200
}

TEST_F(SimConsoleTest, PasswordDecidesWhichMotorVoltageChangeTheModuleTakes) {
  EXPECT_EQ(run("password"), "motor voltage password 5249");
  EXPECT_EQ(run("password 0x10"), "motor voltage password 16");
  bus.respond(frame("64 10 00 76 00 02 04 14 81 00 01"));  // 5249: refused now
  EXPECT_EQ(reg(ModuleModel::MotorChangeResult), 0);
  EXPECT_EQ(reg(ModuleModel::MotorVoltageType), 0);
  bus.respond(frame("64 10 00 76 00 02 04 00 10 00 01"));
  EXPECT_EQ(reg(ModuleModel::MotorChangeResult), 1);
  EXPECT_EQ(reg(ModuleModel::MotorVoltageType), 1);
  EXPECT_EQ(run("firmware 205"), "firmware 205 plugged in: its register map and power-on values");
  EXPECT_EQ(run("password"), "motor voltage password 16");  // the module's, not the firmware's
}

TEST_F(SimConsoleTest, PulledCableSilencesTheModuleWhileTheBenchAnswers) {
  EXPECT_EQ(run("cable off"), "module cable pulled: address 100 stays silent");
  EXPECT_FALSE(readModule(bus, 768, 1).answered);
  EXPECT_FALSE(bus.respond(frame("64 06 00 08 00 01")).bytes.size());
  EXPECT_TRUE(bus.respond(frame("00 06 00 08 00 01")).bytes.isEmpty());  // broadcast
  EXPECT_EQ(reg(ModuleModel::PushCommand), 0);                           // not heard either
  EXPECT_EQ(hex(bus.respond(frame("10 03 00 32 00 01")).bytes).substr(0, 8), "10 03 02");

  run("input 2 on");  // the console still reaches the module
  EXPECT_EQ(run("cable on"), "module cable in: answering at address 100");
  EXPECT_EQ(readModule(bus, 16, 2).values, (std::vector<uint16_t>{0, 1}));
}

TEST_F(SimConsoleTest, FaultsComeAndGoAtRunTime) {
  EXPECT_EQ(run("fault drop"), "fault drop on every module reply");
  EXPECT_FALSE(readModule(bus, 768, 1).answered);
  EXPECT_EQ(run("fault clear"), "faults cleared");
  EXPECT_EQ(readModule(bus, 768, 1).values, (std::vector<uint16_t>{205}));

  EXPECT_EQ(run("fault crc:0"), "fault crc at rate 0: nothing added");
  EXPECT_TRUE(bus.faults().empty());
  EXPECT_EQ(run("fault exception:1"), "fault exception on every module reply");
  EXPECT_EQ(readModule(bus, 768, 1).exception, 4);
  run("fault clear");
  EXPECT_EQ(run("fault late:0.25"), "fault late on a share 0.25 of module replies");
  EXPECT_FALSE(bus.faults().empty());
}

TEST_F(SimConsoleTest, StatusSummarisesTheModule) {
  run("firmware 204 13");
  run("input 2 on");
  run("output 3 on");
  run("error 12 on");
  run("state 1");
  run("password 42");
  bus.respond(frame("64 10 00 76 00 02 04 00 2A 00 01"));  // accepted: 220 V
  run("cable off");
  run("echo on");
  bus.r16().setInputs(0x00A5);
  const std::string status = run("status");
  EXPECT_EQ(status,
            "module at 100: firmware 204.13, logic 1, input map 0, control state 1, cable pulled, "
            "faults none, debug values steady, line 9600 baud, parity none, 2 stop bits, adapter "
            "echo\n"
            "inputs 1-17 01000000000000000  outputs 1-3 001  errors 1-12 000000000001\n"
            "motor: voltage type 1 (register 119), change result 1 (register 269), password 42\n"
            "drive: at rest, travel 3000 ms, motor current 0 (register 264)\n"
            "bench: R16 at 16 out 0000 in 00a5, D8R4 at 17 out 0000 in 0000");
}

TEST_F(SimConsoleTest, DebugValuesDriftOnlyWhenAsked) {
  const std::vector<uint16_t> atRest = readModule(bus, 256, 16).values;
  clock.advance(60'000);
  console.tick();
  EXPECT_EQ(readModule(bus, 256, 16).values, atRest);

  // Debug value 1 rests at 241: it swings by 241 / 20 = 12 over a 30 s period.
  ASSERT_EQ(atRest[0], 241);
  run("drift on");
  console.tick();
  EXPECT_EQ(readModule(bus, 256, 16).values, atRest);  // the wave starts at the centres
  clock.advance(7'500);
  console.tick();
  EXPECT_EQ(reg(256), 253);
  clock.advance(15'000);
  console.tick();
  EXPECT_EQ(reg(256), 229);
  EXPECT_EQ(reg(ModuleModel::MotorChangeResult), atRest[13]);  // a result code, not a reading

  run("debug 1 1000");  // the new centre: amplitude 50, at three quarters of the period now
  console.tick();
  EXPECT_EQ(reg(256), 950);

  run("drift off");
  clock.advance(7'500);
  console.tick();
  EXPECT_EQ(reg(256), 950);
}

TEST_F(SimConsoleTest, HelpNamesEveryCommandAndQuitAsksToStop) {
  const std::string help = run("help");
  for (const char* command :
       {"set",      "get",      "input",  "error", "output", "debug", "state",
        "firmware", "password", "unplug", "plug",  "cable",  "fault", "drift",
        "travel",   "alarm",    "status", "log",   "damage", "clock", "quit"}) {
    SCOPED_TRACE(command);
    EXPECT_NE(help.find(std::string("\n  ") + command + ' '), std::string::npos);
  }
  EXPECT_EQ(run("quit"), "bye");
  EXPECT_TRUE(console.quitRequested());
}

}  // namespace
