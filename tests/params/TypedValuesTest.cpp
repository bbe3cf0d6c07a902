// Every kind of typed text in every editable parameter cell and the motor password, against
// the simulated module: the field's own message and nothing sent, or exactly the value meant.
#include <gtest/gtest.h>

#include <functional>

#include "params/MotorVoltage.h"
#include "params/ParameterSession.h"
#include "params/TableTransfer.h"
#include "support/SimSession.h"
#include "support/TypedInputs.h"

namespace {

struct Field {
  QString name;
  uint16_t reg;  // where the value goes
  qint64 min, max;
  QString refusal;
  // Puts the text where the user types it and runs the operation that sends it.
  std::function<void(SimSession<ParameterSession>&, const QString&)> enter;
};

TEST(TypedValues, EveryParameterCellAndTheMotorPassword) {
  std::vector<Field> fields;
  {
    SimSession<ParameterSession> probe;
    probe.bus.module().installFirmware(205);
    EXPECT_TRUE(probe.online());
    for (ParameterTables::Id id :
         {ParameterTables::Inps, ParameterTables::Timers, ParameterTables::Actu,
          ParameterTables::Amps, ParameterTables::DebInpsParam, ParameterTables::AutoReset}) {
      const ParameterTables::Table t = probe.core->params.tables.table(id);
      // A register holds 16 bits: the numbers that read as one of them, signed or unsigned.
      fields.push_back({t.section, t.start, -32768, 65535,
                        QStringLiteral("Некорректное значение параметра ") + t.names.value(0),
                        [id](SimSession<ParameterSession>& s, const QString& text) {
                          s.core->params.tables.setCellText(id, 0, text);
                          TableTransfer(s.core->parameterContext()).writeChangedCells(id);
                        }});
    }
  }
  // Any integer: the password travels as its low 16 bits.
  fields.push_back({QStringLiteral("EditPsw"), ModuleModel::MotorPassword, INT32_MIN, INT32_MAX,
                    QStringLiteral("Некорректное значение пароля"),
                    [](SimSession<ParameterSession>& s, const QString& text) {
                      s.core->params.storeMotorPassword(text);
                      MotorVoltage(s.core->parameterContext()).changeMotorVoltage();
                    }});

  for (const Field& f : fields)
    for (const TypedInput& in : typedInputs()) {
      SCOPED_TRACE((f.name + QStringLiteral(": ") + QLatin1String(in.label)).toStdString());
      SimSession<ParameterSession> sim;
      ModuleModel& module = sim.bus.module();
      module.installFirmware(205);
      ASSERT_TRUE(sim.online());
      TableTransfer(sim.core->parameterContext()).readMainTables();
      TableTransfer(sim.core->parameterContext()).readServiceTables();
      const auto value = in.within(f.min, f.max);
      // The module takes the password meant, so an accepted one shows in its verdict.
      module.setMotorPassword(value ? uint16_t(*value) : 1);
      module.set(f.reg, 1234);
      int writes = 0;
      module.setWriteHook([&](uint16_t first, uint16_t count) {
        if (first <= f.reg && f.reg < first + count) ++writes;
      });
      sim.prompter.boxes.clear();
      f.enter(sim, in.text);
      if (value) {
        EXPECT_EQ(writes, 1);
        const bool password = f.reg == ModuleModel::MotorPassword;
        EXPECT_EQ(module.get(password ? uint16_t(ModuleModel::MotorChangeResult) : f.reg),
                  password ? 1 : uint16_t(*value));
      } else {
        EXPECT_EQ(writes, 0);
        ASSERT_FALSE(sim.prompter.boxes.empty());
        EXPECT_EQ(sim.prompter.boxes[0].caption, "Ошибка");
        EXPECT_EQ(sim.prompter.boxes[0].text, f.refusal);
      }
    }
}

}  // namespace
