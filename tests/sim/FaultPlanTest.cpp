#include <gtest/gtest.h>

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
