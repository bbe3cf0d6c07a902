// tarvix-cli params-diff against the simulated module: its lines and its exit codes.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/SettingsStore.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"
#include "tools/CliTool.h"

namespace {

class CliParamsDiff : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
    bus.module().installFirmware(205);
    bus.module().setWriteHook([this](uint16_t first, uint16_t) { written.push_back(first); });
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  int run(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    return CliTool(o, e, &line, &clock).run(args);
  }
  void edit(const char* section, const char* key, const QString& value) {
    SettingsStore file(dir.filePath("p.txt"));
    file.writeString(section, key, value);
    ASSERT_TRUE(file.flush());
  }

  const QStringList link = {"--port", "COM1", "--adr", "100"};
  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  MemoryLine line{bus, clock};
  QString out, err;
  std::vector<int> written;

 private:
  QString previous_;
};

TEST_F(CliParamsDiff, PrintsTheDifferingRowsAndExitsZeroOrThree) {
  bus.module().set(68, 3);
  bus.module().set(131, 0);
  ASSERT_EQ(run(link + QStringList{"params-save", "p.txt"}), CliTool::Ok) << err.toStdString();
  EXPECT_EQ(run(link + QStringList{"params-diff", "p.txt"}), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");

  edit("main_inps_v200", "n1", "4");
  edit("do_settings", "alarm", "1");
  bus.module().set(98, 41);  // timers row 1 (register 97 + 1) changed in the module
  EXPECT_EQ(run(link + QStringList{"params-diff", "p.txt"}), 3);
  const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3) << out.toStdString();
  const auto fields = [&](int i) { return lines[i].split(';'); };
  EXPECT_EQ(fields(0).size(), 5);
  EXPECT_EQ(fields(0)[0], "Параметры дискретных входов");
  EXPECT_EQ(fields(0).mid(2), QStringList({"68", "3", "4"}));
  EXPECT_EQ(fields(1)[0], "Параметры таймеров");
  EXPECT_EQ(fields(1)[2], "98");
  EXPECT_EQ(fields(1)[3], "41");
  EXPECT_EQ(lines[2], "Настройки выходов;Логика сигнального реле;131;0;1");
  EXPECT_EQ(err, "");
  EXPECT_TRUE(written.empty());  // comparing never writes
}

TEST_F(CliParamsDiff, FailuresExitWithOneAndSayWhy) {
  ASSERT_EQ(run(link + QStringList{"params-save", "p.txt"}), CliTool::Ok);
  bus.module().installFirmware(204);
  EXPECT_EQ(run(link + QStringList{"params-diff", "p.txt"}), 1);
  EXPECT_EQ(err,
            "Ошибка: Версия файла параметров 205 не соответствует версии текущего "
            "подключенного блока 204\n");
  EXPECT_EQ(out, "");

  EXPECT_EQ(run(link + QStringList{"params-diff", "missing.txt"}), 1);
  EXPECT_TRUE(err.startsWith("Ошибка: Не удалось открыть файл параметров")) << err.toStdString();

  // The module answers its identification, then falls silent at the first table.
  bus.module().installFirmware(205);
  bus.module().setReadHook([&](uint16_t first, uint16_t) {
    if (first == 68) bus.faults().failAlways(FaultKind::Drop);
  });
  EXPECT_EQ(run(link + QStringList{"params-diff", "p.txt"}), 1);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");
  EXPECT_EQ(out, "");
  bus.module().setReadHook({});
  bus.faults().clear();

  EXPECT_EQ(run({"--port", "COM1", "--adr", "7", "params-diff", "p.txt"}), 1);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");

  for (const QStringList& args :
       {QStringList{"params-diff"}, QStringList{"params-diff", "a", "b"}}) {
    EXPECT_EQ(run(args), CliTool::Usage);
    EXPECT_TRUE(err.contains("params-diff FILE"));
  }
  EXPECT_TRUE(written.empty());
}

}  // namespace
