// Comparing the module's main tables with a parameter file, and writing the differences, on the
// simulated module with a virtual clock.
#include <gtest/gtest.h>

#include <QFile>

#include "params/ParameterComparison.h"
#include "params/ParameterFile.h"
#include "params/ParameterSession.h"
#include "params/TableTransfer.h"
#include "sim/MemoryLine.h"
#include "support/SimSession.h"

namespace {

// The memory line, keeping every request frame sent.
class TappedLine : public MemoryLine {
 public:
  using MemoryLine::MemoryLine;
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override {
    frames.emplace_back(reinterpret_cast<const char*>(data), size);
    return MemoryLine::write(data, size, waitMs);
  }
  std::vector<QByteArray> frames;
};

struct Written {
  int function, reg, value;
  bool operator==(const Written&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Written& w) {
  return os << "fn" << w.function << ' ' << w.reg << '=' << w.value;
}

class ParameterComparisonTest : public ::testing::Test {
 protected:
  ParameterComparisonTest() {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", "COM1");
    mem.flush();
    auto owned = std::make_unique<TappedLine>(bus, clock);
    line = owned.get();
    core = std::make_unique<ParameterSession>(dir.path(), prompter, std::move(owned), clock);
  }

  // The module with `version` online, its main tab read, and that state saved to the file.
  void connectAndSave(int version) {
    bus.module().installFirmware(uint16_t(version));
    core->flags.moduleOnline = false;
    core->cycle().pollPass();
    ASSERT_TRUE(core->flags.moduleOnline);
    ASSERT_TRUE(TableTransfer(core->parameterContext()).readMainTables());
    ASSERT_TRUE(saveParameterFile(core->parameterContext(), path()));
    line->frames.clear();
  }
  void edit(const char* section, const char* key, const QString& value) {
    SettingsStore file(path());
    file.writeString(section, key, value);
    ASSERT_TRUE(file.flush());
  }
  std::optional<ParameterDifferences> compare() {
    return ParameterComparison(core->parameterContext()).compareWithFile(path());
  }
  bool write(const ParameterDifferences& rows) {
    return ParameterComparison(core->parameterContext()).writeDifferences(rows);
  }
  // The write frames sent since the last clear, any function.
  std::vector<Written> writes() const {
    std::vector<Written> out;
    for (const QByteArray& f : line->frames) {
      const auto byte = [&](int i) { return int(uint8_t(f[i])); };
      if (byte(1) != 3) out.push_back({byte(1), byte(2) << 8 | byte(3), byte(4) << 8 | byte(5)});
    }
    return out;
  }
  QStringList lines(const ParameterDifferences& rows) const {
    QStringList out;
    for (const ParameterDifference& d : rows) out << ParameterComparison::line(d);
    return out;
  }
  QString lastBox() const {
    return prompter.boxes.empty()
               ? QString()
               : prompter.boxes.back().caption + '|' + prompter.boxes.back().text;
  }
  QString path() const { return dir.filePath("set.txt"); }
  ParameterTables& tables() { return core->params.tables; }
  QString journal() const {
    QFile f(dir.filePath("tarvix.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }

  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  RecordingPrompter prompter;
  TappedLine* line = nullptr;
  std::unique_ptr<ParameterSession> core;
};

TEST_F(ParameterComparisonTest, EqualFileShowsNothingAndWritesNothing) {
  for (int version : {102, 205}) {
    SCOPED_TRACE(version);
    connectAndSave(version);
    const std::optional<ParameterDifferences> found = compare();
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->isEmpty()) << lines(*found).join('\n').toStdString();
    EXPECT_TRUE(writes().empty());
    line->frames.clear();
    EXPECT_TRUE(write(*found));
    EXPECT_TRUE(line->frames.empty());
    EXPECT_TRUE(prompter.boxes.empty());
  }
}

TEST_F(ParameterComparisonTest, DifferingRowsAreListedAndWrittenExactly) {
  connectAndSave(205);
  const ParameterTables::Table timers = tables().table(ParameterTables::Timers);
  const ParameterTables::Table actu = tables().table(ParameterTables::Actu);
  bus.module().set(69, 65535);
  edit("main_inps_v200", "n1", QString::number(bus.module().get(68) + 5));
  edit("main_inps_v200", "n2", "-1");  // the same 16 bits as the module's 65535: no difference
  edit("main_timers_v201", "n3", " 0x20 ");
  edit("main_actu_v102", "n1", "---");  // what a table blanked by a link loss saves
  edit("do_settings", "alarm", bus.module().get(131) ? "0" : "7");
  const uint16_t inps0 = bus.module().get(68), timers2 = bus.module().get(timers.start + 2);
  const uint16_t actu0 = bus.module().get(actu.start), alarm = bus.module().get(131);

  const std::optional<ParameterDifferences> found = compare();
  ASSERT_TRUE(found);
  const QString alarmFile = alarm ? "0" : "1";
  EXPECT_EQ(
      lines(*found),
      QStringList({"Параметры дискретных входов;" + tables().name(ParameterTables::Inps, 0) +
                       ";68;" + QString::number(inps0) + ";" + QString::number(inps0 + 5),
                   "Параметры таймеров;" + tables().name(ParameterTables::Timers, 2) + ";" +
                       QString::number(timers.start + 2) + ";" + QString::number(timers2) + ";0x20",
                   "Параметры мотора;" + tables().name(ParameterTables::Actu, 0) + ";" +
                       QString::number(actu.start) + ";" + QString::number(actu0) + ";---",
                   "Настройки выходов;Логика сигнального реле;131;" + QString::number(alarm) + ";" +
                       alarmFile}));
  // Comparing reads and writes nothing else: the module and the tables are as they were.
  EXPECT_TRUE(writes().empty());
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_FALSE(core->progress.visible());

  // A file value that is no number refuses the whole write before the first frame.
  EXPECT_FALSE(write(*found));
  EXPECT_EQ(lastBox(),
            "Ошибка|Некорректное значение параметра " + tables().name(ParameterTables::Actu, 0));
  EXPECT_TRUE(writes().empty());

  // Without it, exactly the differing registers go, each alone with function 6, and each is
  // journalled with its old value.
  ParameterDifferences rows = *found;
  rows.removeAt(2);
  tables().setCellText(ParameterTables::Timers, 2, "999");  // typed, not yet written
  QStringList panel;
  QObject::connect(&core->progress, &ProgressLine::changed, [&](bool visible, const QString& text) {
    if (visible) panel << text;
  });
  ASSERT_TRUE(write(rows));
  EXPECT_EQ(writes(),
            (std::vector<Written>{
                {6, 68, inps0 + 5}, {6, timers.start + 2, 0x20}, {6, 131, alarm ? 0 : 1}}));
  EXPECT_EQ(panel, QStringList({"Запись параметров в модуль...", "УСПЕШНО!!!"}));
  EXPECT_EQ(core->progress.count(), "3/3");
  const QString log = journal();
  EXPECT_TRUE(log.contains(QStringLiteral("рег. 68: %1 -> %2").arg(inps0).arg(inps0 + 5)));
  EXPECT_TRUE(log.contains(QStringLiteral("рег. %1: %2 -> 32").arg(timers.start + 2).arg(timers2)));
  EXPECT_TRUE(log.contains(QStringLiteral("рег. 131: %1 -> %2").arg(alarm).arg(alarm ? 0 : 1)));

  // The tables know what the module holds now; the typed value stays for the user to write.
  EXPECT_EQ(tables().cellText(ParameterTables::Inps, 0), QString::number(inps0 + 5));
  EXPECT_EQ(tables().bufferValue(ParameterTables::Inps, 0), inps0 + 5);
  EXPECT_EQ(tables().cellText(ParameterTables::Timers, 2), "999");
  EXPECT_EQ(tables().bufferValue(ParameterTables::Timers, 2), 0x20);
  EXPECT_EQ(tables().choices().alarmRead, alarm ? 0 : 1);
  EXPECT_EQ(tables().choices().alarmOn, !alarm);

  // Only the row the file cannot give is left.
  line->frames.clear();
  const std::optional<ParameterDifferences> again = compare();
  ASSERT_TRUE(again);
  ASSERT_EQ(again->size(), 1);
  EXPECT_EQ(again->front().reg, actu.start);
}

TEST_F(ParameterComparisonTest, RefusedFilesAndFailedReadsGiveNoRows) {
  connectAndSave(204);
  QFile::copy(path(), dir.filePath("v204.txt"));
  connectAndSave(205);
  QFile::remove(path());
  QFile::copy(dir.filePath("v204.txt"), path());

  // The version check and its text are those of loading the file; the module is not read.
  EXPECT_FALSE(compare());
  EXPECT_EQ(lastBox(),
            "Ошибка|Версия файла параметров 204 не соответствует версии текущего "
            "подключенного блока 205");
  EXPECT_TRUE(line->frames.empty());
  EXPECT_TRUE(core->flags.moduleOnline);

  EXPECT_FALSE(
      ParameterComparison(core->parameterContext()).compareWithFile(dir.filePath("no.txt")));
  EXPECT_TRUE(lastBox().startsWith("Ошибка|Не удалось открыть файл параметров"));

  // A module that does not answer, or answers with fewer registers than asked, cannot be
  // compared: a link failure, no rows.
  connectAndSave(205);
  for (FaultKind kind : {FaultKind::Drop, FaultKind::Short}) {
    SCOPED_TRACE(FaultPlan::name(kind));
    bus.faults().failAlways(kind);
    prompter.boxes.clear();
    core->flags.moduleOnline = true;
    EXPECT_FALSE(compare());
    EXPECT_FALSE(core->flags.moduleOnline);
    EXPECT_EQ(core->status.text(StatusLine::Link), "Ошибка получения результата из модуля");
    EXPECT_TRUE(prompter.boxes.empty());
    EXPECT_FALSE(core->progress.visible());
    bus.faults().clear();
  }
}

TEST_F(ParameterComparisonTest, FailedWriteStopsThere) {
  connectAndSave(205);
  edit("main_inps_v200", "n1", "1");
  edit("main_inps_v200", "n2", "2");
  edit("main_inps_v200", "n3", "3");
  bus.module().set(68, 0);
  bus.module().set(69, 0);
  bus.module().set(70, 0);
  const std::optional<ParameterDifferences> found = compare();
  ASSERT_TRUE(found);
  ASSERT_EQ(found->size(), 3);
  line->frames.clear();
  // The first write goes, the second is refused by the module: the third is never sent.
  bus.faults().failEvery(FaultKind::Exception, 2);
  EXPECT_FALSE(write(*found));
  EXPECT_EQ(writes(), (std::vector<Written>{{6, 68, 1}, {6, 69, 2}}));
  EXPECT_EQ(bus.module().get(68), 1);
  EXPECT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
  EXPECT_FALSE(core->progress.visible());
  EXPECT_TRUE(journal().contains("не выполнена"));
}

}  // namespace
