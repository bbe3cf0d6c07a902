// The parts of the bench that the test steps stand on: the settings and their defaults, the
// wiring words of the bench buttons, the voltage selection, the protection values, the current
// windows.
#include <gtest/gtest.h>

#include "BenchSim.h"
#include "bench/BenchControl.h"
#include "bench/CurrentWindows.h"
#include "bench/OverloadCheck.h"
#include "link/RequestFlags.h"

namespace {

TEST(BenchParts, WithoutTpIniEverySettingTakesItsDefault) {
  QTemporaryDir dir;
  SettingsStore tp(dir.filePath("tp.ini"));
  TestSettings s;
  s.load(tp);
  QStringList texts;
  for (int e = 0; e < TestSettings::EditCount; ++e) texts << s.text(TestSettings::Edit(e));
  EXPECT_EQ(texts, (QStringList{"1", "1000", "500", "1", "1", "1000", "500", "1", "1", "1", "1",
                                "1000", "1000", "1000", "1000", "5000"}));
  ASSERT_EQ(s.codes().size(), 1);
  EXPECT_EQ(s.codes()[0].name, "name1");
  EXPECT_EQ(s.codes()[0].code, "0");
  // Every input button drives R16 bit 0.
  EXPECT_EQ(BenchButtons::r16Word(0x0FFF, tp, 0), 1);
  EXPECT_FALSE(QFile::exists(dir.filePath("tp.ini")));  // reading writes nothing
}

TEST(BenchParts, TextsThatAreNotIntegersTakeTheRunTimeFallback) {
  TestSettings s;
  const std::pair<TestSettings::Edit, int> fallbacks[] = {
      {TestSettings::Time1, 500},     {TestSettings::Time0, 1000},   {TestSettings::DICount, 12},
      {TestSettings::DoCount, 2},     {TestSettings::MotTime, 2000}, {TestSettings::OvRms, 2000},
      {TestSettings::OvTimeout, 5000}};
  for (const auto& [edit, fallback] : fallbacks) {
    s.setText(edit, "12a");
    EXPECT_EQ(s.value(edit), fallback) << TestSettings::field(edit).objectName;
    s.setText(edit, "0x10");  // as every integer of the settings may be written
    EXPECT_EQ(s.value(edit), 16);
  }
}

TEST(BenchParts, SavedSettingsComeBackAsTyped) {
  QTemporaryDir dir;
  SettingsStore tp(dir.filePath("tp.ini"));
  TestSettings s;
  s.load(tp);
  s.setText(TestSettings::OvRms, "1500");
  s.setText(TestSettings::Time1, "abc");  // kept as typed; a test takes its fallback
  s.setCode(0, {"Реле", "257"});
  ASSERT_TRUE(s.save(tp));
  SettingsStore again(dir.filePath("tp.ini"));
  EXPECT_EQ(again.readString("overload", "rms", ""), "1500");
  EXPECT_EQ(again.readString("di", "time1", ""), "abc");
  EXPECT_EQ(again.readString("do", "code1", ""), "257");
  EXPECT_EQ(again.readString("do", "name1", ""), "Реле");
}

TEST(BenchParts, ButtonWordsFollowTheWiringOfTheVariant) {
  QTemporaryDir dir;
  SettingsStore tp(dir.filePath("tp.ini"));
  tp.writeInteger("di_code1", "i1", 4);
  tp.writeInteger("di_code1", "i2", 4);  // two inputs on one bit
  tp.writeInteger("di_code1", "i3", 15);
  tp.writeInteger("di_code1", "i4", 16);  // beyond the word: reaches nothing
  EXPECT_EQ(BenchButtons::r16Word(0b0001, tp, 1), 0x10);
  EXPECT_EQ(BenchButtons::r16Word(0b0011, tp, 1), 0x10);
  EXPECT_EQ(BenchButtons::r16Word(0b0010, tp, 1), 0x10);  // one released, the other still down
  EXPECT_EQ(BenchButtons::r16Word(0b0100, tp, 1), 0x8000);
  EXPECT_EQ(BenchButtons::r16Word(0b1000, tp, 1), 0);
  EXPECT_EQ(BenchButtons::r16Word(0b0100, tp, 0), 1);  // another variant: its own section
  EXPECT_EQ(BenchButtons::d8r4Word(0b1010), 0b1010);
}

// "24В" and "220В": the motor voltage type through the test password, then the bench buttons
// of the test tab (i2, i4 and the supply relay), whose words the same pass writes. Below
// firmware 200 register 119 is never touched.
TEST(BenchParts, VoltageSelection) {
  for (int firmware : {205, 150}) {
    SCOPED_TRACE(firmware);
    BenchSim sim(firmware);
    sim.bus.setModulePlugged(false);
    sim.core->requests.bench220V = true;
    sim.cycle->pollPass();  // offline: it waits
    EXPECT_TRUE(sim.core->requests.bench220V);
    sim.bus.setModulePlugged(true);
    sim.writes.clear();
    ASSERT_TRUE(sim.online());
    EXPECT_FALSE(sim.core->requests.bench220V);
    EXPECT_EQ(sim.core->bench.testTabButtons.inputs(), 0b1010);
    EXPECT_EQ(sim.core->bench.testTabButtons.relays(), 0b0001);
    EXPECT_EQ(sim.bus.r16().outputs(), 0x900);  // i2 and i4 of the demo wiring
    EXPECT_EQ(sim.bus.d8r4().outputs(), 1);
    EXPECT_EQ(sim.writes.filter("module 118").size(), firmware >= 200 ? 1 : 0);
    EXPECT_EQ(sim.bus.module().get(119), firmware >= 200 ? 1 : 0);

    sim.core->requests.benchReset = true;
    sim.cycle->pollPass();
    EXPECT_EQ(sim.core->bench.testTabButtons.inputs(), 0);
    EXPECT_EQ(sim.bus.r16().outputs(), 0);
    EXPECT_EQ(sim.bus.d8r4().outputs(), 0);
  }
}

TEST(BenchParts, AMotorTypeTheModuleRefusesIsTold) {
  BenchSim sim;
  sim.bus.module().setMotorPassword(1);
  ASSERT_TRUE(sim.online());
  sim.core->requests.bench220V = true;
  sim.cycle->pollPass();
  EXPECT_EQ(sim.boxes(), QStringList{"Ошибка: Сбой установки напряжения мотора"});
  EXPECT_EQ(sim.bus.d8r4().outputs(), 1);  // the bench words are set all the same
}

// The protection values of the overload step as the firmware decides them: EditOvTime 1000,
// EditMotTime 1000, EditOvRms 1500.
TEST(BenchParts, OverloadValuesByFirmware) {
  struct Case {
    int firmware;
    const char* times;
    const char* currents;
    const char* attempts;
  };
  const Case cases[] = {
      {205, "module 97: 4000 4000 1000", "module 113: 1200 1300 1500", "module 117: 0"},
      {150, "module 97: 4000 4000 4000 1000", "module 113: 1200 1300 1400 1500", "module 118: 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware);
    BenchSim sim(c.firmware);
    ASSERT_TRUE(sim.online());
    TestSettings& s = sim.core->bench.settings;
    s.load(sim.core->tp);
    s.setText(TestSettings::OvTime, "1000");
    s.setText(TestSettings::MotTime, "1000");
    s.setText(TestSettings::OvRms, "1500");
    std::vector<uint16_t> before;
    for (uint16_t r = 94; r < 119; ++r) before.push_back(sim.bus.module().get(r));
    sim.writes.clear();
    OverloadCheck check(sim.ctx());
    ASSERT_TRUE(check.loadOverloadValues());
    QStringList written;
    for (const QString& w : sim.writes) written << w.section(' ', 1);
    EXPECT_EQ(written, (QStringList{c.times, c.currents, c.attempts}));
    EXPECT_TRUE(sim.core->bench.overload.inModule);
    ASSERT_TRUE(check.restoreBlockValues());
    EXPECT_FALSE(sim.core->bench.overload.inModule);
    std::vector<uint16_t> after;
    for (uint16_t r = 94; r < 119; ++r) after.push_back(sim.bus.module().get(r));
    EXPECT_EQ(after, before);
  }
}

TEST(BenchParts, CurrentWindowValuesFrom0To10000) {
  const auto check = [](const char* value) {
    return currentwindows::validate({{"24В вперед мин", "5"}, {"24В вперед макс", value}});
  };
  EXPECT_FALSE(check("10000"));
  EXPECT_FALSE(check("0"));
  for (const char* bad : {"10001", "-1", "", "12a"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(check(bad).value_or(""),
              "Некорректное значение параметра: 24В вперед макс - значение должно быть от 0 до "
              "10000 ");
  }
}

// A bench without windows yet is offered the eight keys with 0; only "Сохранить" writes them.
TEST(BenchParts, AMissingWindowProfileOffersItsEightKeys) {
  QTemporaryDir dir;
  SettingsStore tp(dir.filePath("tp.ini"));
  tp.writeString("current_wnd_1", "особый", "7");
  tp.writeString("current_wnd_1", "220В назад макс", "320");
  QStringList keys;
  for (const auto& row : currentwindows::load(tp, 1)) keys << row.key + '=' + row.value;
  EXPECT_EQ(keys, (QStringList{"особый=7", "220В назад макс=320", "24В вперед мин=0",
                               "24В вперед макс=0", "24В назад мин=0", "24В назад макс=0",
                               "220В вперед мин=0", "220В вперед макс=0", "220В назад мин=0"}));
  EXPECT_EQ(currentwindows::load(tp, 0).size(), 8);
  EXPECT_FALSE(tp.hasSection("current_wnd_0"));
  ASSERT_TRUE(currentwindows::save(tp, 0, currentwindows::load(tp, 0)));
  EXPECT_EQ(tp.readInteger("current_wnd_0", "220В назад мин", -1), 0);
  EXPECT_EQ(tp.readInteger("connect", "cur_prof", -1), 0);
}

}  // namespace
