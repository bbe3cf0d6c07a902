#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sim/SimBus.h"
#include "sim/SimFrames.h"

namespace {

// Register 76 (the input map) holds 1: the good reply is "64 03 02 00 01 35 8C".
class FaultPlanTest : public ::testing::Test {
 protected:
  FaultPlanTest() { bus.module().setInputMap(1); }

  SimBus::Reply read() { return bus.respond(frame("64 03 00 4C 00 01")); }
  // One character per reply: '.' good, 'x' faulty.
  std::string pattern(int replies) {
    std::string out;
    for (int i = 0; i < replies; ++i) out += hex(read().bytes) == kGood ? '.' : 'x';
    return out;
  }

  static constexpr const char* kGood = "64 03 02 00 01 35 8C";
  SimBus bus;
};

TEST_F(FaultPlanTest, EachKindChangesTheReplyAsItSays) {
  struct Case {
    FaultKind kind;
    const char* reply;
    uint32_t extraDelayMs;
  };
  const Case cases[] = {
      {FaultKind::Drop, "", 0},
      {FaultKind::Late, "64 03 02 00 01 35 8C", 180},
      {FaultKind::Crc, "64 03 02 00 01 CA 73", 0},
      {FaultKind::Address, "65 03 02 00 01 08 4C", 0},
      {FaultKind::Exception, "64 83 04 50 EC", 0},
      {FaultKind::Garbage, "00 FF A5 64 03 02 00 01 35 8C", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FaultPlan::name(c.kind));
    bus.faults().failNext(c.kind);
    const SimBus::Reply faulty = read();
    EXPECT_EQ(hex(faulty.bytes), c.reply);
    EXPECT_EQ(faulty.extraDelayMs, c.extraDelayMs);
    EXPECT_EQ(bus.faults().injected(c.kind), 1);

    const SimBus::Reply next = read();
    EXPECT_EQ(hex(next.bytes), kGood);
    EXPECT_EQ(next.extraDelayMs, 0u);
  }
}

TEST_F(FaultPlanTest, SettingsOfTheFaultsApply) {
  FaultPlan& plan = bus.faults();
  plan.setLateMs(40);
  plan.setExceptionCode(0x0B);
  plan.setGarbage(QByteArray::fromHex("AA"));
  plan.failNext(FaultKind::Late);
  plan.failNext(FaultKind::Exception);
  plan.failNext(FaultKind::Garbage);
  EXPECT_EQ(read().extraDelayMs, 40u);
  EXPECT_EQ(hex(read().bytes.left(3)), "64 83 0B");
  EXPECT_EQ(hex(read().bytes), "AA 64 03 02 00 01 35 8C");
}

TEST_F(FaultPlanTest, DeterministicSchedules) {
  FaultPlan& plan = bus.faults();
  plan.failNext(FaultKind::Drop, 2);
  EXPECT_EQ(pattern(4), "xx..");

  plan.failEvery(FaultKind::Crc, 3);
  EXPECT_EQ(pattern(8), "..x..x..");

  // The first rule that fires decides (reply 9 is the third CRC fault); a pending "next" waits
  // for replies no earlier rule takes (10 and 11).
  plan.failNext(FaultKind::Address, 2);
  EXPECT_EQ(pattern(5), "xxxx.");
  EXPECT_EQ(plan.injected(FaultKind::Crc), 4);
  EXPECT_EQ(plan.injected(FaultKind::Address), 2);

  plan.clear();
  plan.failAlways(FaultKind::Drop);
  EXPECT_EQ(pattern(3), "xxx");
  plan.clear();
  EXPECT_EQ(pattern(2), "..");
}

TEST_F(FaultPlanTest, RandomRateIsReproducibleFromTheSeed) {
  auto run = [](uint32_t seed, double rate) {
    SimBus other;
    other.module().setInputMap(1);
    other.faults().setSeed(seed);
    other.faults().failRandomly(FaultKind::Drop, rate);
    std::string out;
    for (int i = 0; i < 400; ++i)
      out += other.respond(frame("64 03 00 4C 00 01")).bytes.isEmpty() ? 'x' : '.';
    return out;
  };
  const std::string first = run(7, 0.25);
  EXPECT_EQ(first, run(7, 0.25));
  EXPECT_NE(first, run(8, 0.25));
  const auto hits = std::count(first.begin(), first.end(), 'x');
  EXPECT_GT(hits, 60);
  EXPECT_LT(hits, 140);
  EXPECT_EQ(run(7, 0.0), std::string(400, '.'));
  EXPECT_EQ(run(7, 1.0), std::string(400, 'x'));
}

TEST_F(FaultPlanTest, BenchRepliesAreOutOfScopeUnlessAsked) {
  bus.faults().failAlways(FaultKind::Drop);
  EXPECT_FALSE(bus.respond(frame("10 03 00 32 00 01")).bytes.isEmpty());
  EXPECT_EQ(bus.faults().repliesSeen(), 0);

  bus.faults().setBenchInScope(true);
  EXPECT_TRUE(bus.respond(frame("11 03 00 32 00 01")).bytes.isEmpty());
}

// Half the registers asked, in a frame whose CRC matches; a reply without registers to halve
// goes out unchanged and counts as no fault.
TEST_F(FaultPlanTest, ShortRepliesCarryHalfTheRegisters) {
  bus.faults().failAlways(FaultKind::Short);
  const RegisterRead four = readModule(bus, 16, 4);
  bus.faults().clear();
  EXPECT_EQ(four.values, (readModule(bus, 16, 2).values));
  bus.faults().failAlways(FaultKind::Short);
  EXPECT_EQ(hex(read().bytes), hex(withCrc({0x64, 3, 0})));
  EXPECT_EQ(bus.faults().injected(FaultKind::Short), 2);

  EXPECT_EQ(hex(bus.respond(frame("64 06 00 08 00 01")).bytes), hex(frame("64 06 00 08 00 01")));
  EXPECT_EQ(bus.faults().injected(FaultKind::Short), 2);
}

// A lateness range spreads the late replies over it, and leaves which replies are late as a
// fixed lateness has them.
TEST_F(FaultPlanTest, LatenessRangeKeepsTheScheduleOfFaults) {
  auto lateness = [](bool range) {
    SimBus other;
    other.faults().failRandomly(FaultKind::Late, 0.5);
    if (range) other.faults().setLateRangeMs(10, 20);
    std::vector<uint32_t> out;
    for (int i = 0; i < 200; ++i)
      out.push_back(other.respond(frame("64 03 00 4C 00 01")).extraDelayMs);
    return out;
  };
  const std::vector<uint32_t> fixed = lateness(false), spread = lateness(true);
  std::set<uint32_t> seen;
  for (size_t i = 0; i < fixed.size(); ++i) {
    EXPECT_EQ(fixed[i] == 0, spread[i] == 0);
    if (spread[i] != 0) seen.insert(spread[i]);
  }
  EXPECT_EQ(*seen.begin(), 10u);
  EXPECT_EQ(*seen.rbegin(), 20u);
  EXPECT_EQ(seen.size(), 11u);
}

TEST_F(FaultPlanTest, ExceptionFaultKeepsTheFunctionOfTheRequest) {
  bus.faults().failNext(FaultKind::Exception);
  EXPECT_EQ(hex(bus.respond(frame("64 06 00 08 00 01")).bytes.left(3)), "64 86 04");
  EXPECT_EQ(bus.module().get(ModuleModel::PushCommand), 1);  // the module did act
}

TEST(FaultKindNames, ParseTheirOwnNames) {
  for (int i = 0; i < kFaultKindCount; ++i)
    EXPECT_EQ(FaultPlan::parse(FaultPlan::name(FaultKind(i))), FaultKind(i));
  EXPECT_FALSE(FaultPlan::parse("delay"));
}

}  // namespace
