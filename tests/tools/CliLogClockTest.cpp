// tarvix-cli's log and clock commands against the simulated module.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "operation/DateFields.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/CliFixture.h"
#include "tools/CliTool.h"

namespace {

class CliLogClock : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    SettingsStore mem("mem.ini");
    mem.writeString("connect", "port", "COM1");
    mem.writeString("err_names", "n1", "Перегрев");
    ASSERT_TRUE(mem.flush());
    QFile ini("mem.ini");
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("[log_cmd]\r\nВкатить/Включить\r\nВыкатить/Отключить\r\nСброс\r\n");
  }
  ModuleModel& module() { return bus.module(); }
};

TEST_F(CliLogClock, LogPrintsTheTablesColumns) {
  module().setClockSeconds(4294967295u);
  module().logEvent(2, 0, 10);  // error row 0, detail 10
  module().setClockSeconds(1709294400);
  module().logEvent(1, 3, 0);  // reset
  module().logEvent(1, 1, 0);
  module().logEvent(3, 1, 0);  // no [log_sw] text
  module().log().damage(module(), 2);
  EXPECT_EQ(run({"log"}), CliTool::Ok);
  EXPECT_EQ(out,
            "1;07.02.2106;06:28:15;ОШИБКА;Перегрев;0A\n"
            "2;01.03.2024;12:00:00;КОМАНДА;Сброс;\n"
            "4;01.03.2024;12:00:00;КОНЦЕВИКИ;???????;\n");
  EXPECT_EQ(err, "Запись 3 повреждена\n");

  module().logEvent(1, 2, 0);
  module().logEvent(1, 2, 0);
  EXPECT_EQ(run({"log", "1"}), CliTool::Ok);
  EXPECT_EQ(out, "1;01.03.2024;12:00:00;КОМАНДА;Выкатить/Отключить;\n");
  EXPECT_EQ(run({"log", "0"}), CliTool::Ok);  // as the page: at least one
  EXPECT_EQ(out, "1;01.03.2024;12:00:00;КОМАНДА;Выкатить/Отключить;\n");
  EXPECT_EQ(run({"log"}), CliTool::Ok);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "В журнале нет ни одной записи\n");
}

TEST_F(CliLogClock, ClockShowsAndSets) {
  module().setClockSeconds(0);
  EXPECT_EQ(run({"clock"}), CliTool::Ok);
  EXPECT_EQ(out, "01.01.1970 00:00:00\n");
  EXPECT_EQ(run({"clock", "set", "2024", "2", "30", "12", "0", "0"}), CliTool::Ok);
  EXPECT_EQ(out, "");
  EXPECT_EQ(module().clockSeconds(), 1709294400u);
  EXPECT_EQ(run({"clock"}), CliTool::Ok);
  EXPECT_EQ(out, "01.03.2024 12:00:00\n");

  // The computer's local time, as the page's table takes it.
  const auto localSeconds = [] {
    const QDateTime now = QDateTime::currentDateTime();
    return dateFieldsToSeconds({uint16_t(now.date().year()), uint8_t(now.date().month()),
                                uint8_t(now.date().day()), uint8_t(now.time().hour()),
                                uint8_t(now.time().minute()), uint8_t(now.time().second())});
  };
  const uint32_t before = localSeconds();
  EXPECT_EQ(run({"clock", "set"}), CliTool::Ok);
  const uint32_t after = localSeconds();
  EXPECT_GE(module().clockSeconds(), before);
  EXPECT_LE(module().clockSeconds(), after);
}

TEST_F(CliLogClock, RefusalsAndFailures) {
  struct Case {
    QStringList args;
    int exit;
    const char* error;
  } refused[] = {
      {{"clock", "set", "1999", "1", "1", "0", "0", "0"},
       CliTool::Failure,
       "Число в ячейке: Год не может быть меньше 2000\n"},
      {{"clock", "set", "2024", "1", "1", "0", "60", "0"},
       CliTool::Failure,
       "Число в ячейке: Минуты не может быть больше 59\n"},
      {{"clock", "set", "2024", "x", "1", "0", "0", "0"},
       CliTool::Failure,
       "Ошибка преобразования числа в ячейке: Месяц\n"},
      {{"clock", "set", "2024", "1"}, CliTool::Usage, nullptr},
      {{"clock", "now"}, CliTool::Usage, nullptr},
      {{"log", "x"}, CliTool::Usage, nullptr},
      {{"log", "1", "2"}, CliTool::Usage, nullptr},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    EXPECT_EQ(run(c.args), c.exit);
    if (c.error)
      EXPECT_EQ(err, c.error);
    else
      EXPECT_TRUE(err.contains("usage:"));
  }
  EXPECT_EQ(line.requestCount(), 0);  // nothing reached the module

  bus.setModulePlugged(false);
  EXPECT_EQ(run({"clock"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");
  EXPECT_EQ(run({"log"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");
  EXPECT_EQ(run({"clock", "set", "2024", "1", "1", "0", "0", "0"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка подтверждения записи из модуля\n");
}

}  // namespace
