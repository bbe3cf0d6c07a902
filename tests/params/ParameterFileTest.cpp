// Parameter files: the main tab's tables saved to an INI text file and loaded back, with the
// firmware-version check, on the simulated module.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "params/Identification.h"
#include "params/ParameterFile.h"
#include "params/ParameterSession.h"
#include "params/TableTransfer.h"
#include "support/SimSession.h"

namespace {

constexpr ParameterTables::Id kFileTables[] = {ParameterTables::Inps, ParameterTables::Timers,
                                               ParameterTables::Actu};

class ParameterFileTest : public ::testing::Test, public SimSession<ParameterSession> {
 protected:
  // The module with this firmware identified and its main tab read, as after the reload prompt.
  void connectModule(int version) {
    bus.module().installFirmware(uint16_t(version));
    core->flags.moduleOnline = false;
    ASSERT_TRUE(online());
    ASSERT_EQ(core->flags.firmwareVersion, version);
    ASSERT_TRUE(TableTransfer(core->parameterContext()).readMainTables());
  }
  QString path(const char* name = "params.txt") const { return dir.filePath(name); }
  QByteArray bytes(const char* name = "params.txt") const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void put(const QByteArray& content, const char* name = "params.txt") {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  // Every value cell of the three tables, in order.
  QStringList cells() const {
    QStringList out;
    for (ParameterTables::Id id : kFileTables)
      for (int row = 0; row < core->params.tables.rowCount(id); ++row)
        out << core->params.tables.cellText(id, row);
    return out;
  }
  void fillCells(int base) {
    int n = base;
    for (ParameterTables::Id id : kFileTables)
      for (int row = 0; row < core->params.tables.rowCount(id); ++row)
        core->params.tables.setCellText(id, row, QString::number(n++));
  }
  void setChoices(bool alarmOn, bool direct) {
    core->params.tables.updateChoices([&](ParameterTables::Choices& c) {
      c.alarmOn = alarmOn;
      c.direct = direct;
    });
  }
  QString lastBox() const {
    return prompter.boxes.empty()
               ? QString()
               : prompter.boxes.back().caption + QLatin1Char('|') + prompter.boxes.back().text;
  }
};

TEST_F(ParameterFileTest, RoundTripRedrawsTheTables) {
  connectModule(205);
  fillCells(10);
  core->params.tables.setCellText(ParameterTables::Timers, 1, QStringLiteral("-1"));
  core->params.tables.setCellText(ParameterTables::Actu, 0,
                                  QStringLiteral(" 0x10 "));  // kept as typed
  setChoices(true, false);
  const QStringList saved = cells();
  ASSERT_TRUE(saveParameterFile(core->parameterContext(), path()));
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_TRUE(bytes().startsWith("[version]\r\nver=205\r\n\r\n[main_inps_v200]\r\nn1=10\r\n"));
  EXPECT_TRUE(bytes().endsWith("[do_settings]\r\nalarm=1\r\npower=0\r\n\r\n"));

  fillCells(500);
  setChoices(false, true);
  std::vector<int> redrawn;
  QObject::connect(&core->params.tables, &ParameterTables::valuesChanged,
                   [&](int id) { redrawn.push_back(id); });
  ASSERT_TRUE(loadParameterFile(core->parameterContext(), path()));
  EXPECT_EQ(cells(), saved);
  EXPECT_TRUE(core->params.tables.choices().alarmOn);
  EXPECT_FALSE(core->params.tables.choices().direct);
  EXPECT_EQ(redrawn, std::vector<int>(
                         {ParameterTables::Inps, ParameterTables::Timers, ParameterTables::Actu}));
  // Loading writes nothing to the module: the buffers still hold what was read.
  EXPECT_EQ(core->params.tables.bufferValue(ParameterTables::Inps, 0), bus.module().get(68));
  EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(ParameterFileTest, SectionsInOrderWithOneKeyPerRow) {
  struct Case {
    int version;
    QStringList sections;
    std::vector<int> keys;
  } cases[] = {
      {201,
       {"version", "main_inps_v200", "main_timers_v201", "main_actu_v102", "do_settings"},
       {1, 9, 13, 5, 2}},
      {104,
       {"version", "main_inps_v0", "main_timers_v104", "main_actu", "do_settings"},
       {1, 9, 13, 6, 2}},
      {102, {"version", "main_inps_v0", "main_timers_v102", "main_actu_v102"}, {1, 9, 10, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    connectModule(c.version);
    const QString file = path(QByteArray::number(c.version).append(".txt").constData());
    ASSERT_TRUE(saveParameterFile(core->parameterContext(), file));
    const SettingsStore saved(file);
    EXPECT_EQ(saved.sectionNames(), c.sections);
    for (int i = 0; i < c.sections.size(); ++i)
      EXPECT_EQ(saved.readSectionValues(c.sections[i]).size(), c.keys[i])
          << c.sections[i].toStdString();
    EXPECT_EQ(saved.readInteger("version", "ver", -1), c.version);
  }
}

TEST_F(ParameterFileTest, Version102LeavesTheOutputLogicAlone) {
  connectModule(102);
  setChoices(true, true);
  put("[version]\r\nver=102\r\n[main_inps_v0]\r\nn1=7\r\n[do_settings]\r\nalarm=0\r\npower=0\r\n");
  ASSERT_TRUE(loadParameterFile(core->parameterContext(), path()));
  EXPECT_TRUE(core->params.tables.choices().alarmOn);
  EXPECT_TRUE(core->params.tables.choices().direct);
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Inps, 0), "7");
  // Rows the file lacks show "---", which the next write refuses as not a number.
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Inps, 1), "---");
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Timers, 0), "---");
}

TEST_F(ParameterFileTest, OtherVersionIsRefusedAndTheTablesStay) {
  connectModule(204);
  ASSERT_TRUE(saveParameterFile(core->parameterContext(), path()));
  connectModule(205);
  fillCells(30);
  setChoices(true, true);
  const QStringList before = cells();
  bool timerRestarted = false;
  QObject::connect(&core->status, &StatusLine::pollTimerChanged,
                   [&](bool on) { timerRestarted = on; });

  EXPECT_FALSE(loadParameterFile(core->parameterContext(), path()));
  EXPECT_EQ(lastBox(),
            "Ошибка|Версия файла параметров 204 не соответствует версии текущего "
            "подключенного блока 205");
  EXPECT_TRUE(timerRestarted);
  EXPECT_EQ(cells(), before);
  EXPECT_TRUE(core->params.tables.choices().alarmOn);
  EXPECT_TRUE(core->params.tables.choices().direct);
}

TEST_F(ParameterFileTest, SavingIntoAnExistingFileKeepsItsOtherSections) {
  put("; engineer's notes\r\n[site]\r\nplace=Подстанция 5\r\n");
  connectModule(201);
  ASSERT_TRUE(saveParameterFile(core->parameterContext(), path()));
  connectModule(104);
  ASSERT_TRUE(saveParameterFile(core->parameterContext(), path()));
  const SettingsStore saved(path());
  EXPECT_EQ(saved.sectionNames(),
            QStringList({"site", "version", "main_inps_v200", "main_timers_v201", "main_actu_v102",
                         "do_settings", "main_inps_v0", "main_timers_v104", "main_actu"}));
  EXPECT_EQ(saved.readInteger("version", "ver", 0), 104);
  EXPECT_EQ(saved.readSectionValues("main_timers_v201").size(), 13);
  EXPECT_EQ(saved.readString("site", "place", ""), "Подстанция 5");
  EXPECT_TRUE(
      bytes().startsWith("; engineer's notes\r\n[site]\r\nplace=Подстанция 5\r\n\r\n"
                         "[version]\r\nver=104\r\n\r\n"));
}

TEST_F(ParameterFileTest, BeforeIdentificationOnlyVersionZeroPasses) {
  // As at start-up: the tables are built without a layout.
  Identification(core->parameterContext()).buildTables();
  ASSERT_EQ(core->flags.firmwareVersion, 0);
  ASSERT_EQ(core->params.tables.rowCount(ParameterTables::Inps), 9);

  put("[version]\r\nver=201\r\n[main_inps_v200]\r\nn1=5\r\n");
  EXPECT_FALSE(loadParameterFile(core->parameterContext(), path()));
  EXPECT_EQ(lastBox(),
            "Ошибка|Версия файла параметров 201 не соответствует версии текущего "
            "подключенного блока 0");

  for (const QByteArray& content : {QByteArray("[version]\r\nver=0\r\n[main_inps_v0]\r\nn1=5\r\n"),
                                    QByteArray("[main_inps_v200]\r\nn1=5\r\n")}) {
    put(content);
    core->params.tables.setCellText(ParameterTables::Inps, 0, "1");
    EXPECT_TRUE(loadParameterFile(core->parameterContext(), path()));
    EXPECT_EQ(cells(), QStringList(9, "---"));
  }

  // Without section names only the version can be saved.
  ASSERT_TRUE(saveParameterFile(core->parameterContext(), path("empty.txt")));
  EXPECT_EQ(bytes("empty.txt"), "[version]\r\nver=0\r\n\r\n");
}

TEST_F(ParameterFileTest, UnreadableOrUnwritableFilesAreReported) {
  connectModule(205);
  fillCells(40);
  const QStringList before = cells();
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.txt"));
  for (const char* name : {"missing.txt", "folder.txt"}) {
    SCOPED_TRACE(name);
    prompter.boxes.clear();
    EXPECT_FALSE(loadParameterFile(core->parameterContext(), path(name)));
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
    EXPECT_TRUE(
        prompter.boxes[0].text.startsWith("Не удалось открыть файл параметров " + path(name)));
    EXPECT_EQ(cells(), before);
  }

  for (const QString& target : {path("folder.txt"), path("no/such/folder/params.txt")}) {
    prompter.boxes.clear();
    EXPECT_FALSE(saveParameterFile(core->parameterContext(), target));
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_TRUE(
        prompter.boxes[0].text.startsWith("Не удалось сохранить файл параметров " + target));
  }
  EXPECT_TRUE(QFileInfo(path("folder.txt")).isDir());
}

TEST_F(ParameterFileTest, ExistingFileThatCannotBeReadIsNotOverwritten) {
  connectModule(205);
  put("[mine]\r\nkeep=1\r\n");
  QFile::setPermissions(path(), QFileDevice::WriteOwner);
  if (QFile file(path()); file.open(QIODevice::ReadOnly))
    GTEST_SKIP() << "running with rights that ignore modes";
  EXPECT_FALSE(saveParameterFile(core->parameterContext(), path()));
  EXPECT_TRUE(lastBox().startsWith("Ошибка|Не удалось прочитать файл параметров"));
  QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(bytes(), "[mine]\r\nkeep=1\r\n");
}

}  // namespace
