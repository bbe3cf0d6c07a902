// The module's link parameters (registers 0 to 3) read and written by the poll pass, and the
// drive type change served by the next pass.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/SimCore.h"

namespace {

// Every block the module was asked to read, as (first, count).
struct ReadLog {
  std::vector<std::pair<uint16_t, uint16_t>> blocks;
  int reads(uint16_t first) const {
    return int(std::count_if(blocks.begin(), blocks.end(),
                             [&](const auto& b) { return b.first == first; }));
  }
};

struct LinkParamsCore : SimCore {
  explicit LinkParamsCore(int firmware) {
    bus.module().installFirmware(uint16_t(firmware));
    bus.module().set(1, 2);  // 38400
    bus.module().set(2, 1);  // even
    bus.module().set(3, 1);  // two stop bits
    bus.module().setReadHook(
        [this](uint16_t first, uint16_t count) { log.blocks.emplace_back(first, count); });
    QObject::connect(&core->progress, &ProgressLine::changed,
                     [this](bool visible, const QString& text) {
                       if (visible) panelTexts << text;
                     });
  }
  void serve(RequestFlags::Module request) {
    core->requests.module[request] = true;
    cycle->pollPass();
    EXPECT_FALSE(core->requests.module[request]);
  }
  // mem.ini as the file on disk has it.
  SettingsStore fileOnDisk() const { return SettingsStore(dir.filePath("mem.ini")); }

  ReadLog log;
  QStringList panelTexts;
};

TEST(ModuleLinkParamsTest, StopBitsOnlyFromFirmware202) {
  struct Case {
    int firmware, count;
  };
  for (const Case c : {Case{201, 3}, Case{202, 4}, Case{205, 4}}) {
    SCOPED_TRACE(c.firmware);
    LinkParamsCore sim(c.firmware);
    ASSERT_TRUE(sim.online());
    sim.log.blocks.clear();
    sim.serve(RequestFlags::LinkParamsRead);
    ASSERT_EQ(sim.log.reads(0), 1);
    EXPECT_EQ(sim.log.blocks.back(), std::make_pair(uint16_t(0), uint16_t(c.count)));
    const auto read = sim.core->linkParams.registersRead();
    EXPECT_EQ(read[0], 100);
    EXPECT_EQ(read[1], 2);
    EXPECT_EQ(read[2], 1);
    EXPECT_EQ(read[3], c.count == 4 ? 1 : 0);

    sim.core->linkParams.setEntry({QStringLiteral("100"), 4, 2, 0});
    sim.serve(RequestFlags::LinkParamsWrite);
    EXPECT_EQ(sim.bus.module().get(1), 4);
    EXPECT_EQ(sim.bus.module().get(2), 2);
    EXPECT_EQ(sim.bus.module().get(3), c.count == 4 ? 0 : 1);  // register 3 untouched before 202
    const SettingsStore mem = sim.fileOnDisk();
    EXPECT_EQ(mem.readString("connect", "speed", "-"), "4");
    EXPECT_EQ(mem.readString("connect", "parity", "-"), "2");
    EXPECT_EQ(mem.readString("connect", "stopbits", "-"), c.count == 4 ? "0" : "-");
    EXPECT_EQ(sim.panelTexts, QStringList({"Запись параметров связи в модуль...", "УСПЕШНО!!!"}));
    EXPECT_FALSE(sim.core->progress.visible());
  }
}

TEST(ModuleLinkParamsTest, NewAddressIsUsedFromTheNextExchange) {
  LinkParamsCore sim(205);
  ASSERT_TRUE(sim.online());
  sim.core->linkParams.setEntry({QStringLiteral(" 7 "), 0, 0, 1});
  const uint32_t before = sim.clock.tick();
  sim.serve(RequestFlags::LinkParamsWrite);
  EXPECT_GE(sim.clock.tick() - before, 1000u);  // "УСПЕШНО!!!" stays for a second
  EXPECT_EQ(sim.fileOnDisk().readString("connect", "adr", "-"), "7");
  EXPECT_EQ(sim.core->client().moduleAddress(), 7);
  EXPECT_TRUE(sim.online());
  EXPECT_EQ(sim.linkText(), "МОДУЛЬ НА СВЯЗИ");
}

TEST(ModuleLinkParamsTest, FailedWriteKeepsMemIni) {
  LinkParamsCore sim(205);
  ASSERT_TRUE(sim.online());
  // The reply to the write is lost: without it the program cannot know the module took the
  // values, so it keeps using and storing the old ones.
  sim.cycle->setOperation(RequestFlags::LinkParamsWrite, [&] {
    sim.bus.faults().failAlways(FaultKind::Drop);
    return writeModuleLinkParams(sim.core->link(), sim.core->linkParams);
  });
  sim.core->linkParams.setEntry({QStringLiteral("7"), 4, 2, 0});
  sim.serve(RequestFlags::LinkParamsWrite);
  EXPECT_EQ(sim.panelTexts, QStringList({"Запись параметров связи в модуль...", "Ошибка!!!"}));
  EXPECT_FALSE(sim.core->progress.visible());
  const SettingsStore mem = sim.fileOnDisk();
  EXPECT_EQ(mem.readString("connect", "adr", "-"), "-");
  EXPECT_EQ(mem.readString("connect", "speed", "-"), "-");
  EXPECT_EQ(sim.core->mem.readString("connect", "adr", "-"), "-");
  EXPECT_EQ(sim.core->client().moduleAddress(), 100);
}

TEST(ModuleLinkParamsTest, AddressThatCannotBeSentIsNotSent) {
  for (const char* address : {"1a", "", "70000", "-1"}) {
    SCOPED_TRACE(address);
    LinkParamsCore sim(205);
    ASSERT_TRUE(sim.online());
    int writes = 0;
    sim.bus.module().setWriteHook([&](uint16_t, uint16_t) { ++writes; });
    sim.core->linkParams.setEntry({QString::fromLatin1(address), 4, 2, 0});
    sim.serve(RequestFlags::LinkParamsWrite);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(sim.panelTexts.value(1), "Ошибка!!!");
    ASSERT_EQ(sim.prompter.boxes.size(), 1u);
    EXPECT_EQ(sim.prompter.boxes[0].text, "Некорректное значение адреса модуля");
    EXPECT_EQ(sim.fileOnDisk().readString("connect", "adr", "-"), "-");
  }
}

TEST(ModuleLinkParamsTest, FailedReadShowsTheErrorAndKeepsTheLastGoodValues) {
  LinkParamsCore sim(205);
  ASSERT_TRUE(sim.online());
  sim.serve(RequestFlags::LinkParamsRead);
  sim.bus.module().set(1, 3);
  sim.cycle->setOperation(RequestFlags::LinkParamsRead, [&] {
    sim.bus.faults().failAlways(FaultKind::Drop);
    return readModuleLinkParams(sim.core->link(), sim.core->linkParams);
  });
  sim.serve(RequestFlags::LinkParamsRead);
  EXPECT_EQ(sim.linkText(), "Ошибка получения результата из модуля");
  EXPECT_FALSE(sim.core->flags.moduleOnline);
  EXPECT_EQ(sim.core->linkParams.registersRead()[1], 2);
}

TEST(ModuleLinkParamsTest, DriveTypeChangeRebuildsTheInputNamesAtTheNextPass) {
  LinkParamsCore sim(205);
  sim.core->mem.writeString("di_names3", "n1", "Выкатной элемент в рабочем");
  sim.core->mem.writeString("di_names3_zn", "n1", "Нож включен");
  ASSERT_TRUE(sim.online());
  const auto firstName = [&] {
    return sim.core->params.tables.table(ParameterTables::DigInputs).names[0];
  };
  EXPECT_EQ(firstName(), "Выкатной элемент в рабочем");

  // Accepted with the same type: no identification request, the version is not read again.
  sim.log.blocks.clear();
  ASSERT_TRUE(sim.online());
  EXPECT_EQ(sim.log.reads(768), 0);

  sim.core->mem.writeInteger("measure", "type", 1);
  sim.core->requests.identify = true;
  ASSERT_TRUE(sim.online());
  EXPECT_EQ(sim.log.reads(768), 1);
  EXPECT_EQ(firstName(), "Нож включен");
  EXPECT_FALSE(sim.core->requests.identify);
}

}  // namespace
