// tarvix-cli params-save and params-load against the simulated module.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/SettingsStore.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"
#include "tools/CliTool.h"

namespace {

class CliParams : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
    // The options given on the command line must not end up here.
    QFile mem(dir.filePath("mem.ini"));
    ASSERT_TRUE(mem.open(QIODevice::WriteOnly));
    mem.write(kMemIni);
    bus.module().setWriteHook([this](uint16_t first, uint16_t count) {
      for (uint16_t i = 0; i < count; ++i) written.push_back(first + i);
    });
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  int run(const QStringList& args) {
    out.clear();
    err.clear();
    written.clear();
    QTextStream o(&out), e(&err);
    return CliTool(o, e, &line, &clock).run(args);
  }
  QByteArray fileBytes(const char* name) const {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  static constexpr const char* kMemIni = "[connect]\r\nadr=7\r\n";
  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  MemoryLine line{bus, clock};
  QString out, err;
  std::vector<int> written;

 private:
  QString previous_;
};

TEST_F(CliParams, LoadWritesOnlyTheChangedRegistersAndPrintsThem) {
  bus.module().installFirmware(205);
  bus.module().set(68, 3);
  bus.module().set(98, 40);
  bus.module().set(131, 0);
  const QStringList link = {"--port", "COM1", "--adr", "100"};
  ASSERT_EQ(run(link + QStringList{"params-save", "p.txt"}), CliTool::Ok) << err.toStdString();
  EXPECT_TRUE(written.empty());
  {
    SettingsStore file(dir.filePath("p.txt"));
    EXPECT_EQ(file.readInteger("version", "ver", 0), 205);
    EXPECT_EQ(file.readString("main_inps_v200", "n1", ""), "3");
    EXPECT_EQ(file.readString("main_timers_v201", "n2", ""), "40");
    file.writeString("main_timers_v201", "n2", "41");
    file.writeString("do_settings", "alarm", "1");
    ASSERT_TRUE(file.flush());
  }

  ASSERT_EQ(run(link + QStringList{"params-load", "p.txt"}), CliTool::Ok) << err.toStdString();
  EXPECT_EQ(out, "98 40 -> 41\n131 0 -> 1\n");
  EXPECT_EQ(written, std::vector<int>({98, 131}));
  EXPECT_EQ(bus.module().get(98), 41);
  EXPECT_EQ(bus.module().get(131), 1);
  EXPECT_TRUE(err.isEmpty());
  // The session journal still records the writes.
  EXPECT_TRUE(QString::fromUtf8(fileBytes("tarvix.log")).contains("рег. 98: 40 -> 41"));
  EXPECT_EQ(fileBytes("mem.ini"), kMemIni);

  // Nothing differs any more: nothing is written.
  ASSERT_EQ(run(link + QStringList{"params-load", "p.txt"}), CliTool::Ok);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(written.empty());
}

TEST_F(CliParams, FailuresExitWithOneAndUsageWithTwo) {
  bus.module().installFirmware(205);
  const QStringList link = {"--port", "COM1", "--adr", "100"};
  ASSERT_EQ(run(link + QStringList{"params-save", "p.txt"}), CliTool::Ok);

  bus.module().installFirmware(204);
  EXPECT_EQ(run(link + QStringList{"params-load", "p.txt"}), CliTool::Failure);
  EXPECT_EQ(err,
            "Ошибка: Версия файла параметров 205 не соответствует версии текущего "
            "подключенного блока 204\n");
  EXPECT_TRUE(written.empty());

  // A cell that is not a number fails the write of its table.
  bus.module().installFirmware(205);
  {
    SettingsStore file(dir.filePath("p.txt"));
    file.writeString("main_inps_v200", "n1", "abc");
    ASSERT_TRUE(file.flush());
  }
  EXPECT_EQ(run(link + QStringList{"params-load", "p.txt"}), CliTool::Failure);
  EXPECT_TRUE(err.startsWith("Ошибка: Некорректное значение параметра "));
  EXPECT_TRUE(written.empty());

  EXPECT_EQ(run(link + QStringList{"params-load", "missing.txt"}), CliTool::Failure);
  EXPECT_TRUE(err.startsWith("Ошибка: Не удалось открыть файл параметров"));

  // mem.ini's own address (7) answers nobody; no port is configured there either.
  EXPECT_EQ(run({"--port", "COM1", "params-load", "p.txt"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");
  EXPECT_EQ(run({"params-save", "q.txt"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка открытия порта\n");
  EXPECT_FALSE(QFile::exists(dir.filePath("q.txt")));

  for (const QStringList& args :
       {QStringList{"params-save"}, QStringList{"params-load", "a", "b"}}) {
    EXPECT_EQ(run(args), CliTool::Usage);
    EXPECT_TRUE(err.contains("params-load FILE"));
  }
  EXPECT_TRUE(written.empty());
  EXPECT_EQ(fileBytes("mem.ini"), kMemIni);
}

}  // namespace

namespace {

TEST_F(CliParams, HelpAndJournalledPlainWrites) {
  for (const QStringList& args : {QStringList{"--help"}, QStringList{"--port", "COM1", "-h"}}) {
    EXPECT_EQ(run(args), CliTool::Ok);
    EXPECT_TRUE(out.startsWith("usage: tarvix-cli"));
    EXPECT_TRUE(err.isEmpty());
  }
  bus.module().installFirmware(205);
  const QStringList link = {"--port", "COM1", "--adr", "100"};
  ASSERT_EQ(run(link + QStringList{"write", "97", "321"}), CliTool::Ok) << err.toStdString();
  ASSERT_EQ(run(link + QStringList{"write-multi", "98", "7", "8"}), CliTool::Ok);
  const QString journal = QString::fromUtf8(fileBytes("tarvix.log"));
  EXPECT_TRUE(journal.contains("Запись в устройство 100: рег. 97: 321")) << journal.toStdString();
  EXPECT_TRUE(journal.contains("Запись в устройство 100: рег. 98: 7; рег. 99: 8"));
}

}  // namespace
