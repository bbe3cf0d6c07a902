// The motor voltage change served by the poll pass, against the simulated module on virtual
// time: the module judges the password, the tool reports its verdict.
#include <gtest/gtest.h>

#include <QFile>

#include "params/MotorVoltage.h"
#include "params/ParameterSession.h"
#include "support/SimSession.h"

namespace {

class MotorVoltageTest : public ::testing::Test {
 protected:
  // The module online with `type` in register 119, the main tables read as after the window's
  // first visit to the main tab.
  void start(uint16_t type, uint16_t modulePassword = ModuleModel::kDefaultMotorPassword) {
    sim = std::make_unique<SimSession<ParameterSession>>();
    sim->bus.module().set(ModuleModel::MotorVoltageType, type);
    sim->bus.module().setMotorPassword(modulePassword);
    ASSERT_TRUE(sim->online());
    core().requests.module[RequestFlags::MainRead] = true;
    ASSERT_TRUE(sim->online());
    ASSERT_EQ(core().params.tables.choices().motorVoltageType, type);
    sim->prompter.boxes.clear();
  }
  // What ButtonChange leaves behind on a confirmed dialog, then the pass that serves it.
  void change(const QString& typed) {
    core().params.storeMotorPassword(typed);
    core().requests.module[RequestFlags::MotorVoltage] = true;
    requestsBefore = sim->line->requestCount();
    sim->cycle->pollPass();
    EXPECT_FALSE(core().requests.module[RequestFlags::MotorVoltage]);
  }
  // Requests of a pass that serves nothing: the status read.
  int plainPass() {
    const int before = sim->line->requestCount();
    sim->cycle->pollPass();
    return sim->line->requestCount() - before;
  }
  ParameterSession& core() { return *sim->core; }
  uint16_t reg(uint16_t r) { return sim->bus.module().get(r); }
  std::vector<std::pair<QString, QString>> boxes() const {
    std::vector<std::pair<QString, QString>> out;
    for (const auto& b : sim->prompter.boxes) out.push_back({b.caption, b.text});
    return out;
  }
  using Boxes = std::vector<std::pair<QString, QString>>;

  std::unique_ptr<SimSession<ParameterSession>> sim;
  int requestsBefore = 0;
};

TEST_F(MotorVoltageTest, AcceptedPasswordSwitchesTheTypeAndAsksForTheTablesAgain) {
  struct Case {
    const char* typed;
    uint16_t modulePassword;  // what the module must receive
    uint16_t type;
    uint16_t newType;
  };
  const Case cases[] = {
      {"5249", 5249, 0, 1}, {"70000", 4464, 0, 1},  // 70000 - 65536: only the low 16 bits travel
      {"-1", 65535, 1, 0},                          // two's complement
      {"-65536", 0, 1, 0},  {"0x1481", 5249, 0, 1},
      {"5249", 5249, 2, 0},  // any non-zero type is 220 V: the change goes to 24 V
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    start(c.type, c.modulePassword);
    sim->bus.module().set(ModuleModel::MotorChangeResult, 7);  // the module's value before
    change(c.typed);
    EXPECT_EQ(reg(ModuleModel::MotorChangeResult), 1);
    EXPECT_EQ(reg(ModuleModel::MotorVoltageType), c.newType);
    EXPECT_EQ(boxes(), (Boxes{{"ОК", "Напряжение мотора успешно изменено"}}));
    EXPECT_TRUE(core().requests.module[RequestFlags::MainRead]);
    // The next pass reads the tables and shows the new type.
    sim->cycle->pollPass();
    EXPECT_EQ(core().params.tables.choices().motorVoltageType, c.newType);
    EXPECT_TRUE(core().params.takeMotorPassword().isEmpty());  // taken, not kept
  }
}

TEST_F(MotorVoltageTest, RefusedPasswordOrUnreadableResultSaysWrongPassword) {
  start(0);
  change("5248");
  EXPECT_EQ(reg(ModuleModel::MotorChangeResult), 0);
  EXPECT_EQ(reg(ModuleModel::MotorVoltageType), 0);
  EXPECT_EQ(boxes(), (Boxes{{"Ошибка", "Неверный пароль при смене напряжения мотора"}}));
  EXPECT_TRUE(core().requests.module[RequestFlags::MainRead]);

  // Accepted, but the module falls silent before its verdict can be read.
  start(0);
  const int perPass = plainPass();
  sim->bus.module().setWriteHook([this](uint16_t, uint16_t) { sim->bus.setModulePlugged(false); });
  change("5249");
  EXPECT_EQ(reg(ModuleModel::MotorVoltageType), 1);
  EXPECT_EQ(sim->line->requestCount() - requestsBefore, perPass + 1 + ModbusRtuClient::kAttempts);
  EXPECT_EQ(boxes(), (Boxes{{"Ошибка", "Неверный пароль при смене напряжения мотора"}}));
  EXPECT_TRUE(core().requests.module[RequestFlags::MainRead]);
}

TEST_F(MotorVoltageTest, PasswordThatIsNoNumberSendsNothing) {
  for (const char* typed : {"", "52 49", "5249a", "пароль", "99999999999"}) {
    SCOPED_TRACE(typed);
    start(0);
    sim->bus.module().setWriteHook([](uint16_t first, uint16_t) { ADD_FAILURE() << first; });
    // A pass with the request sends what a pass without it does: its status read.
    const int perPass = plainPass();
    change(typed);
    EXPECT_EQ(sim->line->requestCount() - requestsBefore, perPass);
    EXPECT_EQ(boxes(), (Boxes{{"Ошибка", "Некорректное значение пароля"}}));
    EXPECT_FALSE(core().requests.module[RequestFlags::MainRead]);
    EXPECT_EQ(reg(ModuleModel::MotorVoltageType), 0);
  }
}

TEST_F(MotorVoltageTest, WriteNeverAcknowledgedGivesItsErrorAndReadsNoResult) {
  struct Case {
    const char* what;
    std::function<void(SimSession<ParameterSession>&)> breakIt;
    const char* error;
    uint16_t typeAfter;  // a lost acknowledgement does not undo what the module did
  };
  const Case cases[] = {
      {"exception replies",
       [](SimSession<ParameterSession>& s) { s.bus.faults().failAlways(FaultKind::Exception); },
       "Ошибка модуля: код 4", 1},
      {"module unplugged", [](SimSession<ParameterSession>& s) { s.bus.setModulePlugged(false); },
       "Ошибка подтверждения записи из модуля", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    start(0);
    core().params.storeMotorPassword("5249");
    c.breakIt(*sim);
    const int before = sim->line->requestCount();
    // Served directly: a pass would not get past its status read on this line.
    EXPECT_FALSE(MotorVoltage(core().parameterContext()).changeMotorVoltage());
    EXPECT_EQ(sim->line->requestCount() - before, ModbusRtuClient::kAttempts);  // no read of 269
    EXPECT_EQ(boxes(), (Boxes{{"Ошибка", c.error}}));
    EXPECT_FALSE(core().requests.module[RequestFlags::MainRead]);
    EXPECT_EQ(reg(ModuleModel::MotorVoltageType), c.typeAfter);
  }
}

TEST_F(MotorVoltageTest, WriteStopsAtTheFirstAcknowledgedAttempt) {
  start(1);
  sim->bus.faults().failNext(FaultKind::Drop, 2);
  int frames = 0;
  sim->bus.module().setWriteHook([&](uint16_t first, uint16_t count) {
    EXPECT_EQ(first, MotorVoltage::kPasswordRegister);
    EXPECT_EQ(count, 2);
    ++frames;
  });
  QString error = "untouched";
  EXPECT_TRUE(MotorVoltage(core().parameterContext()).writeMotorVoltage(5249, 1, &error));
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(error, "untouched");
  EXPECT_EQ(reg(ModuleModel::MotorVoltageType), 0);
}

TEST_F(MotorVoltageTest, JournalNeverHoldsThePassword) {
  start(0, 31337);
  change("31337");  // accepted: 118 now has a known "old" value in the client
  change("31337");  // accepted again, back to 24 V
  sim->bus.setModulePlugged(false);
  core().params.storeMotorPassword("31337");
  MotorVoltage(core().parameterContext()).changeMotorVoltage();  // five failed attempts, logged too
  ASSERT_EQ(reg(ModuleModel::MotorVoltageType), 0);

  QFile log(sim->dir.filePath("tarvix.log"));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  int passwordWrites = 0;
  for (const QByteArray& raw : log.readAll().split('\n')) {
    const QString entry = QString::fromUtf8(raw).mid(24);  // past the time stamp
    EXPECT_FALSE(entry.contains("31337")) << entry.toStdString();
    if (entry.contains("рег. 118: ***; рег. 119: ")) ++passwordWrites;
  }
  EXPECT_EQ(passwordWrites, 2 + ModbusRtuClient::kAttempts);
}

}  // namespace
