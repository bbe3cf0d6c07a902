// Every kind of typed text in every field of the link dialogs: the field's own message, and
// nothing stored or sent that the field did not mean.
#include <gtest/gtest.h>

#include <functional>

#include "link/LinkEntryCheck.h"
#include "link/ModuleLinkParams.h"
#include "support/SimCore.h"
#include "support/TypedInputs.h"

namespace {

using linkentry::ProgramEntry;

// A program entry that passes, with one field replaced by the typed text.
QString programWith(QString ProgramEntry::*field, const QString& text) {
  ProgramEntry e{QStringLiteral("100"), QStringLiteral("50"), QStringLiteral("70"),
                 QStringLiteral("50"), QStringLiteral("10")};
  e.*field = text;
  return linkentry::programRefusal(e);
}

TEST(TypedLinkValues, EveryFieldOfTheLinkDialogs) {
  struct Field {
    const char* name;
    std::function<QString(const QString&)> refusal;
    qint64 min, max;
    const char* message;
  };
  const Field fields[] = {
      {"EditAdr, program", [](const QString& t) { return programWith(&ProgramEntry::address, t); },
       1, 247, "Некорректное значение адреса модуля"},
      {"EditAdr, module", linkentry::moduleRefusal, 1, 247, "Некорректное значение адреса модуля"},
      {"EditSend", [](const QString& t) { return programWith(&ProgramEntry::send, t); }, INT32_MIN,
       INT32_MAX, "Некорректное значение параметра Send"},
      {"EditSleep", [](const QString& t) { return programWith(&ProgramEntry::sleep, t); },
       INT32_MIN, INT32_MAX, "Некорректное значение Sleep"},
      {"EditReceive", [](const QString& t) { return programWith(&ProgramEntry::receive, t); },
       INT32_MIN, INT32_MAX, "Некорректное значение Receive"},
      {"Edit1, ReadIntervalTimeout",
       [](const QString& t) { return programWith(&ProgramEntry::readInterval, t); }, 0, INT32_MAX,
       "Некорректное значение ReadIntervalTimeout"},
      {"Edit1 of ProgramSettingsDialog, poll period", linkentry::pollPeriodRefusal, 1, INT32_MAX,
       "Некорректное значение периода опроса"},
  };
  for (const Field& f : fields)
    for (const TypedInput& in : typedInputs()) {
      SCOPED_TRACE(std::string(f.name) + ": " + in.label);
      EXPECT_EQ(f.refusal(in.text),
                in.within(f.min, f.max) ? QString() : QString::fromUtf8(f.message));
    }
}

// The module's address goes into its register 0 and mem.ini only when it is one the module
// can answer from; otherwise neither is touched.
TEST(TypedLinkValues, ModuleAddressReachesTheModuleOnlyAsTyped) {
  for (const TypedInput& in : typedInputs()) {
    SCOPED_TRACE(in.label);
    SimCore sim;
    sim.bus.module().installFirmware(205);
    ASSERT_TRUE(sim.online());
    std::vector<std::pair<uint16_t, uint16_t>> writes;
    sim.bus.module().setWriteHook([&](uint16_t first, uint16_t count) {
      for (uint16_t r = first; r < first + count; ++r)
        writes.emplace_back(r, sim.bus.module().get(r));
    });
    sim.core->linkParams.setEntry({in.text, 1, 0, 0});
    writeModuleLinkParams(sim.core->link(), sim.core->linkParams);
    const SettingsStore onDisk(sim.dir.filePath(QStringLiteral("mem.ini")));
    if (const auto address = in.within(1, 247)) {
      ASSERT_FALSE(writes.empty());
      EXPECT_EQ(writes[0], std::make_pair(uint16_t(0), uint16_t(*address)));
      EXPECT_EQ(onDisk.readInteger(QStringLiteral("connect"), QStringLiteral("adr"), -1), *address);
      EXPECT_TRUE(sim.prompter.boxes.empty());
    } else {
      EXPECT_TRUE(writes.empty());
      EXPECT_EQ(onDisk.readString(QStringLiteral("connect"), QStringLiteral("adr"), "-"), "-");
      ASSERT_EQ(sim.prompter.boxes.size(), 1u);
      EXPECT_EQ(sim.prompter.boxes[0].text, "Некорректное значение адреса модуля");
    }
  }
}

}  // namespace
