// The module clock: the calendar conversions, the checks of new values, the write, the live
// display and the table that follows the computer's clock.
#include <gtest/gtest.h>

#include <QFile>

#include "operation/ModuleClock.h"
#include "operation/OperationSession.h"
#include "support/SimSession.h"

namespace {

DateFields fields(int y, int mo, int d, int h, int mi, int s) {
  return {uint16_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s)};
}

TEST(DateFields, KnownInstants) {
  struct Case {
    uint32_t seconds;
    DateFields f;
  } cases[] = {{0, fields(1970, 1, 1, 0, 0, 0)},
               {4294967295u, fields(2106, 2, 7, 6, 28, 15)},
               {951782400, fields(2000, 2, 29, 0, 0, 0)},
               {1709208000, fields(2024, 2, 29, 12, 0, 0)},
               {4107542399u, fields(2100, 2, 28, 23, 59, 59)},  // 2100 is no leap year
               {4107542400u, fields(2100, 3, 1, 0, 0, 0)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(secondsToDateFields(c.seconds), c.f);
    EXPECT_EQ(dateFieldsToSeconds(c.f), c.seconds);
  }
  EXPECT_EQ(formatDate(fields(2106, 2, 7, 6, 28, 15)), "07.02.2106");
  EXPECT_EQ(formatTime(fields(2106, 2, 7, 6, 28, 15)), "06:28:15");
}

// Against Qt's calendar over the whole unsigned 32-bit range, both ways.
TEST(DateFields, AgreeWithQtOverTheWholeRange) {
  for (uint64_t s = 0; s <= UINT32_MAX; s += 999'983) {
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(qint64(s), Qt::UTC);
    const DateFields f = secondsToDateFields(uint32_t(s));
    ASSERT_EQ(f, fields(utc.date().year(), utc.date().month(), utc.date().day(), utc.time().hour(),
                        utc.time().minute(), utc.time().second()))
        << s;
    ASSERT_EQ(dateFieldsToSeconds(f), s);
  }
}

// A day beyond the month's length counts on into the next month.
TEST(DateFields, DayBeyondTheMonthCountsOn) {
  EXPECT_EQ(dateFieldsToSeconds(fields(2024, 2, 30, 12, 0, 0)),
            dateFieldsToSeconds(fields(2024, 3, 1, 12, 0, 0)));
  EXPECT_EQ(dateFieldsToSeconds(fields(2023, 2, 31, 0, 0, 0)),
            dateFieldsToSeconds(fields(2023, 3, 3, 0, 0, 0)));
  EXPECT_TRUE(dateFieldsFit(fields(2106, 2, 7, 6, 28, 15)));
  EXPECT_FALSE(dateFieldsFit(fields(2106, 2, 7, 6, 28, 16)));
}

TEST(ModuleClockRefusal, FirstBadRowInCheckOrder) {
  struct Case {
    QStringList values;
    const char* refusal;
  } cases[] = {
      {{"2024", "2", "30", "12", "0", "0"}, ""},
      {{" 2024 ", "0x2", "01", "23", "59", "59"}, ""},
      {{"1999", "1", "1", "0", "0", "0"}, "Число в ячейке: Год не может быть меньше 2000"},
      {{"2024", "1", "1", "0", "60", "0"}, "Число в ячейке: Минуты не может быть больше 59"},
      {{"3001", "1", "1", "0", "0", "0"}, "Число в ячейке: Год не может быть больше 3000"},
      {{"2024", "1", "0", "0", "0", "0"}, "Число в ячейке: Число не может быть меньше 1"},
      {{"2024", "13", "1", "24", "0", "0"}, "Число в ячейке: Месяц не может быть больше 12"},
      {{"2024", "1", "1", "0", "0", "-1"}, "Число в ячейке: Секунды не может быть меньше 0"},
      // every conversion before any limit, every minimum before any maximum
      {{"1999", "x", "1", "0", "0", "0"}, "Ошибка преобразования числа в ячейке: Месяц"},
      {{"3001", "1", "0", "0", "0", "0"}, "Число в ячейке: Число не может быть меньше 1"},
      {{"2024", "1", "1", "", "0", "0"}, "Ошибка преобразования числа в ячейке: Часы"},
      {{"2024", "1", "1", "1.5", "0", "0"}, "Ошибка преобразования числа в ячейке: Часы"},
      // past the end of the module's clock
      {{"2106", "2", "7", "6", "28", "16"},
       "Часы модуля не могут показывать время позже 07.02.2106 06:28:15"},
      {{"2106", "2", "7", "6", "28", "15"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values.join(' ').toStdString());
    DateFields f;
    EXPECT_EQ(ModuleClock::clockRefusal(c.values, &f), c.refusal);
  }
}

class ModuleClockTest : public ::testing::Test, public SimSession<OperationSession> {
 protected:
  void SetUp() override {
    clockState().updateFromPc = false;
    QObject::connect(&core->progress, &ProgressLine::changed,
                     [this](bool visible, const QString& text) {
                       panel << (visible ? text : QStringLiteral("(hidden)"));
                       panelTicks.push_back(clock.tick());
                     });
    bus.module().setWriteHook([this](uint16_t first, uint16_t count) {
      if (first <= 5 && first + count > 4) ++clockWrites;
    });
    ASSERT_TRUE(online());
  }
  ModuleClockState& clockState() { return core->operation.clock; }
  void requestWrite(const QStringList& values) {
    clockState().setNewValues(values);
    core->requests.module[RequestFlags::SetClock] = true;
    cycle->pollPass();
  }
  QString journal() {
    QFile f(dir.filePath("tarvix.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  QStringList panel;
  std::vector<uint32_t> panelTicks;
  int clockWrites = 0;
};

TEST_F(ModuleClockTest, WritesTheCheckedValuesInOneFrame) {
  requestWrite({"2024", "2", "30", "12", "0", "0"});
  EXPECT_EQ(bus.module().clockSeconds(), dateFieldsToSeconds(fields(2024, 3, 1, 12, 0, 0)));
  EXPECT_EQ(clockWrites, 1);
  EXPECT_EQ(panel, QStringList({"Запись времени в модуль...", "УСПЕШНО!!!", "(hidden)"}));
  EXPECT_EQ(panelTicks[2] - panelTicks[1], ModuleClock::kPanelPauseMs);
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_FALSE(core->requests.module[RequestFlags::SetClock]);
  EXPECT_TRUE(journal().contains("Время модуля установлено: 01.03.2024 12:00:00"));
}

TEST_F(ModuleClockTest, RefusedValuesWriteNothing) {
  requestWrite({"1999", "1", "1", "0", "0", "0"});
  requestWrite({"2024", "1", "1", "0", "60", "0"});
  EXPECT_EQ(clockWrites, 0);
  EXPECT_TRUE(panel.isEmpty());
  ASSERT_EQ(prompter.boxes.size(), 2u);
  EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
  EXPECT_EQ(prompter.boxes[0].text, "Число в ячейке: Год не может быть меньше 2000");
  EXPECT_EQ(prompter.boxes[1].text, "Число в ячейке: Минуты не может быть больше 59");
  EXPECT_FALSE(core->requests.module[RequestFlags::SetClock]);  // not tried again
}

TEST_F(ModuleClockTest, FailedWriteShowsOnlyThePanel) {
  const uint32_t before = bus.module().clockSeconds();
  bus.module().setWriteHook([&](uint16_t, uint16_t) { bus.faults().failAlways(FaultKind::Drop); });
  clockState().setNewValues({"2030", "6", "15", "8", "30", "0"});
  ModuleClock(core->operationContext()).writeModuleClock();
  bus.faults().clear();
  EXPECT_EQ(panel,
            QStringList({"Запись времени в модуль...", "Ошибка!!!", "(hidden)", "(hidden)"}));
  EXPECT_EQ(panelTicks[2] - panelTicks[1], kWriteFailurePauseMs);
  EXPECT_EQ(panelTicks[3] - panelTicks[2], ModuleClock::kPanelPauseMs);
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_NE(bus.module().clockSeconds(), before);  // the module took it; the reply was lost
  EXPECT_TRUE(journal().contains("Время модуля не установлено (15.06.2030 08:30:00): "));
}

// The display follows the module once per pass while the log and time page is shown.
TEST_F(ModuleClockTest, DisplayFollowsTheModuleOnItsPage) {
  EXPECT_EQ(clockState().displayTexts(), QStringList(6, "----"));
  bus.module().setClockSeconds(0);
  cycle->pollPass();
  EXPECT_EQ(clockState().displayTexts(), QStringList(6, "----"));  // another page
  core->params.activePage = ParameterState::Page::LogTime;
  cycle->pollPass();
  EXPECT_EQ(clockState().displayTexts(), QStringList({"1970", "01", "01", "00", "00", "00"}));
  bus.module().log().setClock(&clock);
  bus.module().setClockSeconds(4294967290u);
  clock.advance(5'000);
  cycle->pollPass();
  EXPECT_EQ(clockState().displayTexts(), QStringList({"2106", "02", "07", "06", "28", "15"}));
}

// With "Обновлять" ticked the table takes the computer's time at the start of every pass with
// the module on line.
TEST_F(ModuleClockTest, TableFollowsTheComputerWhileTicked) {
  QDateTime now(QDate(2031, 7, 4), QTime(9, 5, 3));
  clockState().setLocalTimeSource([&] { return now; });
  clockState().setNewValues({"2024", "1", "1", "0", "0", "0"});
  cycle->pollPass();
  EXPECT_EQ(clockState().newValues(), QStringList({"2024", "1", "1", "0", "0", "0"}));
  clockState().updateFromPc = true;
  cycle->pollPass();
  EXPECT_EQ(clockState().newValues(), QStringList({"2031", "07", "04", "09", "05", "03"}));

  bus.setModulePlugged(false);
  cycle->pollPass();  // this pass finds the module gone
  ASSERT_FALSE(core->flags.moduleOnline);
  now = now.addSecs(1);
  cycle->pollPass();
  EXPECT_EQ(clockState().newValues(), QStringList({"2031", "07", "04", "09", "05", "03"}));
  bus.setModulePlugged(true);
  ASSERT_TRUE(online());
  cycle->pollPass();
  EXPECT_EQ(clockState().newValues(), QStringList({"2031", "07", "04", "09", "05", "04"}));
}

}  // namespace
