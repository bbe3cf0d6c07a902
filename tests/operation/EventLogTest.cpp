// The event log against the simulated module: the counter, fetching records from the counter
// downwards, their decoding, stopping, failures, the keep-log switch and the table's CSV.
#include <gtest/gtest.h>

#include "operation/EventLog.h"
#include "operation/OperationSession.h"
#include "support/SimSession.h"

namespace {

const QStringList kCommands = {"Вкатить/Включить", "Выкатить/Отключить", "Сброс"};
const QStringList kSwitches = {"Оба концевика разомкнуты", "Концевик ВКЛ замкнут",
                               "Концевик ОТКЛ замкнут", "Оба концевика замкнуты"};

class EventLogTest : public ::testing::Test, public SimSession<OperationSession> {
 protected:
  EventLogTest()
      : SimSession<OperationSession>([](SettingsStore& mem) {
          mem.writeString("err_names", "n1", "Перегрев");
          mem.writeString("err_names", "n3", "Перегрузка мотора");
        }) {}
  void SetUp() override {
    log().loadTexts(kCommands, kSwitches);
    QObject::connect(&core->progress, &ProgressLine::changed,
                     [this](bool visible, const QString& text) {
                       panel << (visible ? text : QStringLiteral("(hidden)"));
                     });
    bus.module().setWriteHook([this](uint16_t first, uint16_t) {
      if (first == EventLog::RecordBlock) ++selectCount;
    });
    ASSERT_TRUE(online());
  }

  EventLogState& log() { return core->operation.log; }
  EventLog operations() { return EventLog(core->operationContext()); }
  // Records the module holds, the oldest first, each stamped a minute after the last.
  void addRecords(int n, uint8_t kind = ModuleLog::Command, uint8_t code = 1) {
    for (int i = 0; i < n; ++i) {
      bus.module().setClockSeconds(1709294400 + 60 * uint32_t(bus.module().log().size()));
      bus.module().logEvent(kind, code, 0);
    }
  }
  // A fetch of `count` as typed into the page; the time it took.
  uint32_t fetch(const QString& count) {
    log().setReadCountText(count);
    const uint32_t before = clock.tick();
    operations().readLogRecords();
    return clock.tick() - before;
  }
  QStringList column(int c) {
    QStringList out;
    for (int r = 1; r < log().rowCount(); ++r) out << log().row(r)[size_t(c)];
    return out;
  }

  QStringList panel;
  int selectCount = 0;  // selector writes
};

TEST_F(EventLogTest, FirstShowingReadsSwitchAndCounterOnce) {
  addRecords(12);
  bus.module().set(EventLog::KeepLog, 0);
  EXPECT_TRUE(operations().showLogState());
  EXPECT_EQ(log().keepLog(), 0);
  EXPECT_EQ(log().counterText(), "12");
  EXPECT_EQ(log().readCountText(), "12");
  addRecords(1);
  bus.module().set(EventLog::KeepLog, 1);
  log().setReadCountText("5");
  operations().showLogState();
  EXPECT_EQ(log().keepLog(), 1);  // the switch is read at every showing
  EXPECT_EQ(log().counterText(), "12");
  EXPECT_EQ(log().readCountText(), "5");
}

TEST_F(EventLogTest, CounterThatCannotBeReadShowsDashes) {
  bus.faults().failAlways(FaultKind::Drop);
  EXPECT_FALSE(operations().showLogState());
  EXPECT_EQ(log().counterText(), "---");
  EXPECT_EQ(log().readCountText(), "---");
  EXPECT_EQ(log().keepLog(), -1);
  EXPECT_EQ(linkText(), "Ошибка получения результата из модуля");
  EXPECT_FALSE(core->flags.moduleOnline);
}

// What is typed, against what the module holds: the field is corrected and that many records
// are fetched.
TEST_F(EventLogTest, TheCountIsAtLeastOneAndAtMostTheCounter) {
  struct Case {
    int records;
    const char* typed;
    const char* corrected;
    int fetched;
  } cases[] = {{12, "0", "1", 1},     {12, "50", "12", 12},  {12, "-3", "1", 1},
               {12, "abc", "1", 1},   {12, "", "1", 1},      {12, "2.5", "1", 1},
               {12, " 4 ", " 4 ", 4}, {12, "0x3", "0x3", 3}, {0, "5", "0", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    bus.module().log().clear(bus.module());
    addRecords(c.records);
    operations().clearLogTable();
    panel.clear();
    selectCount = 0;
    fetch(c.typed);
    EXPECT_EQ(log().readCountText(), c.corrected);
    EXPECT_EQ(log().recordsRead, uint32_t(c.fetched));
    EXPECT_EQ(selectCount, c.fetched);
    EXPECT_EQ(log().counterText(), QString::number(c.records - c.fetched));
  }
}

TEST_F(EventLogTest, EmptyLogIsToldAndNothingElseChanges) {
  operations().showLogState();
  const uint32_t took = fetch("5");
  EXPECT_EQ(panel, QStringList({"Чтение журнала...", "В журнале нет ни одной записи", "(hidden)"}));
  EXPECT_EQ(took, EventLog::kMessagePauseMs);
  EXPECT_EQ(selectCount, 0);
  EXPECT_EQ(log().rowCount(), EventLogState::kInitialRows);
  EXPECT_EQ(log().counterText(), "0");
  EXPECT_FALSE(log().fetching());
}

TEST_F(EventLogTest, NoRecordAtTheFirstIndexEndsTheFetch) {
  bus.module().set(ModuleModel::UnreadLogRecords, 3);  // a counter with nothing behind it
  operations().showLogState();
  const uint32_t took = fetch("3");
  EXPECT_EQ(panel, QStringList({"Чтение журнала...", "Журнал прочитан", "(hidden)"}));
  EXPECT_GE(took, EventLog::kMessagePauseMs);
  EXPECT_EQ(selectCount, 1);
  EXPECT_EQ(log().rowCount(), EventLogState::kInitialRows);
  EXPECT_EQ(log().row(1), EventLogState::Row{});
  EXPECT_EQ(log().counterText(), "3");
}

// Records come from index = counter downwards; the module numbers them from the newest (1), so
// the table runs from the oldest unread record to the newest.
TEST_F(EventLogTest, RecordsAreFetchedFromTheCounterDownAndDecoded) {
  ModuleModel& m = bus.module();
  m.setClockSeconds(0);
  m.logEvent(ModuleLog::Error, 0, 10);  // Перегрев, detail 10
  m.setClockSeconds(4294967295u);
  m.logEvent(ModuleLog::Command, 1, 0);
  m.logEvent(ModuleLog::EndPositions, 2, 0);
  m.logEvent(ModuleLog::Command, 0, 0);  // a code [log_cmd] has no text for
  operations().showLogState();
  fetch("4");
  ASSERT_EQ(log().rowCount(), 5);
  EXPECT_EQ(log().row(1),
            (EventLogState::Row{"1", "01.01.1970", "00:00:00", "ОШИБКА", "Перегрев", "0A"}));
  EXPECT_EQ(log().row(2),
            (EventLogState::Row{"2", "07.02.2106", "06:28:15", "КОМАНДА", "Вкатить/Включить", ""}));
  EXPECT_EQ(log().row(3)[4], "Концевик ОТКЛ замкнут");
  EXPECT_EQ(log().row(4)[4], "???????");
  EXPECT_EQ(panel, QStringList({"Чтение журнала...", "Запись 1 ОК", "Запись 2 ОК", "Запись 3 ОК",
                                "Запись 4 ОК", "(hidden)"}));
  EXPECT_EQ(log().counterText(), "0");
  EXPECT_EQ(m.get(ModuleModel::UnreadLogRecords), 0);  // the module counts them read
}

TEST_F(EventLogTest, DecodingByKind) {
  const QStringList errors = {"Перегрев", "Обрыв", "Перегрузка мотора"};
  struct Case {
    uint16_t kindAndCode, extra;
    const char* type;
    const char* data;
    const char* detail;
  } cases[] = {
      {0x0101, 0, "КОМАНДА", "Вкатить/Включить", ""},
      {0x0301, 0, "КОМАНДА", "Сброс", ""},
      {0x0001, 0, "КОМАНДА", "???????", ""},
      {0x0401, 0, "КОМАНДА", "???????", ""},
      {0x0202, 0x1AFF, "ОШИБКА", "Перегрузка мотора", "FF"},
      {0x0002, 10, "ОШИБКА", "Перегрев", "0A"},
      {0x0302, 0, "ОШИБКА", "???????", "00"},
      {0x0003, 0, "КОНЦЕВИКИ", "Оба концевика разомкнуты", ""},
      {0x0403, 0, "КОНЦЕВИКИ", "???????", ""},
      {0x0107, 5, "", "", ""},
      {0x0000, 5, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kindAndCode);
    const uint16_t block[EventLog::kBlockSize] = {2, 0xC340, 0x65E1, c.kindAndCode, c.extra};
    const EventLogState::Row row =
        EventLog::decodeLogRecord(7, block, kCommands, kSwitches, errors);
    EXPECT_EQ(row[0], "7");
    EXPECT_EQ(row[1], "01.03.2024");
    EXPECT_EQ(row[2], "12:00:00");
    EXPECT_EQ(row[3], c.type);
    EXPECT_EQ(row[4], c.data);
    EXPECT_EQ(row[5], c.detail);
  }
}

// A damaged record is counted and named, shown for 500 ms, and leaves its row empty; records
// with a status the tool does not know are passed over uncounted.
TEST_F(EventLogTest, DamagedRecordsAreCountedButNotShown) {
  addRecords(4);
  operations().showLogState();
  const uint32_t allValid = fetch("4");
  addRecords(4);
  bus.module().log().damage(bus.module(), 3);  // the second oldest of the new ones
  operations().clearLogTable();
  panel.clear();
  const uint32_t oneDamaged = fetch("4");
  EXPECT_EQ(panel, QStringList({"Чтение журнала...", "Запись 1 ОК", "Запись 2 повреждена",
                                "Запись 3 ОК", "Запись 4 ОК", "(hidden)"}));
  EXPECT_EQ(oneDamaged - allValid, EventLog::kMessagePauseMs);
  EXPECT_EQ(column(0), QStringList({"1", "", "3", "4"}));
  EXPECT_EQ(log().recordsRead, 4u);

  // Status 7 at the next index: nothing shown, nothing counted, the next index asked again.
  operations().clearLogTable();
  addRecords(2);
  operations().clearLogTable();
  int reads = 0;
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    if (first == EventLog::RecordBlock && ++reads == 1) bus.module().set(first, 7);
  });
  panel.clear();
  fetch("2");
  EXPECT_EQ(panel, QStringList({"Чтение журнала...", "Запись 1 ОК", "(hidden)"}));
  EXPECT_EQ(log().recordsRead, 1u);
}

TEST_F(EventLogTest, ALaterFetchContinuesBelowUntilTheTableIsCleared) {
  addRecords(5);
  operations().showLogState();
  fetch("2");
  fetch("2");
  EXPECT_EQ(column(2), QStringList({"12:00:00", "12:01:00", "12:02:00", "12:03:00"}));
  EXPECT_EQ(log().counterText(), "1");
  operations().clearLogTable();
  EXPECT_EQ(log().rowCount(), EventLogState::kInitialRows);
  EXPECT_EQ(log().row(1), EventLogState::Row{});
  EXPECT_EQ(log().recordsRead, 0u);
  EXPECT_EQ(log().counterText(), "1");  // the module's own count of unread records
  EXPECT_EQ(log().readCountText(), "1");
  fetch("1");
  EXPECT_EQ(column(2), QStringList({"12:04:00"}));
}

TEST_F(EventLogTest, StopFinishesTheRecordInProgress) {
  addRecords(100);
  operations().showLogState();
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    // "Остановить" pressed while the third record is being read.
    if (first == EventLog::RecordBlock && selectCount == 3) log().stopRequest = true;
  });
  fetch("100");
  EXPECT_EQ(selectCount, 3);
  EXPECT_EQ(log().recordsRead, 3u);
  EXPECT_EQ(log().rowCount(), 4);
  EXPECT_EQ(log().counterText(), "97");
  EXPECT_FALSE(log().fetching());
  EXPECT_EQ(panel.last(), "(hidden)");
  // The next fetch starts afresh.
  fetch("1");
  EXPECT_EQ(log().recordsRead, 4u);
}

TEST_F(EventLogTest, FailuresEndTheFetch) {
  addRecords(5);
  operations().showLogState();
  // The selector write is refused: told in a box, the fetch ends, the counter is shown.
  bus.module().setWriteHook([&](uint16_t first, uint16_t) {
    if (first == EventLog::RecordBlock && ++selectCount == 2)
      bus.faults().failAlways(FaultKind::Exception);
  });
  fetch("5");
  bus.faults().clear();
  ASSERT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
  EXPECT_FALSE(prompter.boxes[0].text.isEmpty());
  EXPECT_EQ(log().recordsRead, 1u);
  EXPECT_EQ(log().counterText(), "4");
  EXPECT_EQ(panel.last(), "(hidden)");

  // The record cannot be read: a link failure, the fetch ends.
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    if (first == EventLog::RecordBlock) bus.faults().failAlways(FaultKind::Drop);
  });
  fetch("5");
  bus.faults().clear();
  EXPECT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(linkText(), "Ошибка получения результата из модуля");
  EXPECT_EQ(log().recordsRead, 1u);
  EXPECT_EQ(log().counterText(), "4");
  EXPECT_FALSE(log().fetching());
}

TEST_F(EventLogTest, RequestsAreServedByThePass) {
  addRecords(3);
  core->requests.module[RequestFlags::LogTab] = true;
  cycle->pollPass();
  EXPECT_EQ(log().counterText(), "3");
  core->requests.module[RequestFlags::ReadLog] = true;
  cycle->pollPass();
  EXPECT_EQ(log().recordsRead, 3u);
  core->requests.module[RequestFlags::ClearLog] = true;
  cycle->pollPass();
  EXPECT_EQ(log().recordsRead, 0u);
  EXPECT_FALSE(core->requests.module[RequestFlags::ReadLog]);
  EXPECT_FALSE(core->requests.module[RequestFlags::ClearLog]);
}

// The switch is written by a job of the worker between two exchanges, and read back.
TEST_F(EventLogTest, KeepLogSwitch) {
  operations().showLogState();
  ASSERT_EQ(log().keepLog(), 1);
  int writes = 0;
  bus.module().setWriteHook([&](uint16_t first, uint16_t) { writes += first == 335; });
  const OperationContext ctx = core->operationContext();
  cycle->post([ctx] { EventLog(ctx).keepLogClicked(true); });  // as shown: nothing to write
  cycle->pollPass();
  EXPECT_EQ(writes, 0);
  cycle->post([ctx] { EventLog(ctx).keepLogClicked(false); });
  cycle->pollPass();
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(bus.module().get(335), 0);
  EXPECT_EQ(log().keepLog(), 0);
  bus.module().logEvent(ModuleLog::Command, 1, 0);
  EXPECT_EQ(bus.module().log().size(), 0);  // the module logs nothing now

  // Refused: the box says why, and the page shows what the module holds.
  bus.module().setWriteHook([&](uint16_t first, uint16_t) {
    if (first == 335) bus.module().set(335, 0);
  });
  bus.faults().failAlways(FaultKind::Exception);
  operations().keepLogClicked(true);
  bus.faults().clear();
  ASSERT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
  EXPECT_EQ(log().keepLog(), 0);
}

TEST(EventLogCsv, HeaderRecordsAndQuotedFields) {
  EventLogState log;
  log.setRow(1, {"1", "01.03.2024", "12:00:00", "ОШИБКА", "Перегрев; мотор", "0A"});
  log.setRow(3, {"3", "01.03.2024", "12:02:00", "КОМАНДА", "Вкатить \"быстро\"", ""});
  const QByteArray csv = log.toCsv();
  ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
  EXPECT_EQ(QString::fromUtf8(csv.mid(3)),
            "№;Дата;Время;Тип;Данные;Данные\r\n"
            "1;01.03.2024;12:00:00;ОШИБКА;\"Перегрев; мотор\";0A\r\n"
            "3;01.03.2024;12:02:00;КОМАНДА;\"Вкатить \"\"быстро\"\"\";\r\n");
}

}  // namespace
