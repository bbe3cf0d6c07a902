// "Сохранить параметры в файл" and "Загрузить параметры из файла": the file dialogs around the
// parameter files, answered offscreen.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppContext.h"
#include "params/Identification.h"
#include "params/ui/ParameterFileDialogs.h"
#include "support/ScriptedLine.h"
#include "ui/ModalAnswerer.h"

namespace {

class ParameterFileDialogsTest : public ::testing::Test {
 protected:
  ParameterFileDialogsTest() : core(dir.path(), prompter) {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ParameterTables::Firmware f;
    f.version = 201;
    f.layout = FirmwareLayout::forVersion(201, f.layout);
    core.params.tables.setFirmware(f);
    Identification(core.parameterContext()).buildTables();
    core.flags.firmwareVersion = 201;
    QObject::connect(&core.status, &StatusLine::pollTimerChanged,
                     [this](bool on) { timerSwitches.push_back(on); });
  }
  ~ParameterFileDialogsTest() override { QDir::setCurrent(previous_); }

  // Answers the file dialog `dialogName` with `file` (cancels it for an empty name) and the
  // overwrite question with `overwrite`; records what the user saw.
  struct Answers {
    QString dialogDirectory;
    QStringList questions;
  };
  Answers answer(const char* dialogName, const QString& file, bool overwrite,
                 const std::function<bool()>& run) {
    Answers seen;
    bool answered = false;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.questions << box->text();
        box->button(overwrite ? QMessageBox::Yes : QMessageBox::No)->click();
        return;
      }
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (!dialog || dialog->objectName() != QLatin1String(dialogName)) return;
      if (answered || file.isEmpty()) {  // a refused overwrite leaves the dialog open
        dialog->reject();
        return;
      }
      answered = true;
      seen.dialogDirectory = dialog->directory().absolutePath();
      EXPECT_EQ(dialog->nameFilters(), QStringList("Текстовые файлы (*.txt)"));
      dialog->selectFile(dir.filePath(file));
      // Queued: the overwrite question runs a loop of its own.
      QMetaObject::invokeMethod(
          dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); }, Qt::QueuedConnection);
    });
    timerSwitches.clear();
    result = run();
    // The poll timer stood still while the dialog was open and runs again, whatever happened.
    EXPECT_EQ(timerSwitches, (std::vector<bool>{false, true}));
    EXPECT_EQ(QDir::currentPath(), dir.path());
    return seen;
  }
  bool save(const QString& file, bool overwrite = true, Answers* seen = nullptr) {
    const Answers a = answer("SaveDialog1", file, overwrite, [&] {
      return saveParameterFileDialog(nullptr, core.parameterContext());
    });
    if (seen) *seen = a;
    return result;
  }
  QByteArray bytes(const char* name) {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
  RecordingPrompter prompter;
  AppContext core;
  std::vector<bool> timerSwitches;
  bool result = false;

 private:
  QString previous_;
};

TEST_F(ParameterFileDialogsTest, SaveAppendsTxtAndAsksOnlyAboutTheChosenName) {
  core.params.tables.setCellText(ParameterTables::Inps, 0, "9");
  Answers seen;
  ASSERT_TRUE(save("set", true, &seen));
  EXPECT_EQ(seen.dialogDirectory, dir.path());
  EXPECT_TRUE(seen.questions.isEmpty());
  ASSERT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.boxes[0].caption, "OK");
  EXPECT_EQ(prompter.boxes[0].text, "Данные сохранены в файл");
  EXPECT_TRUE(
      bytes("set.txt").startsWith("[version]\r\nver=201\r\n\r\n[main_inps_v200]\r\nn1=9\r\n"));

  // "set.txt" exists, but the name chosen is "set": no question, the file is updated.
  core.params.tables.setCellText(ParameterTables::Inps, 0, "10");
  ASSERT_TRUE(save("set", true, &seen));
  EXPECT_TRUE(seen.questions.isEmpty());
  EXPECT_TRUE(bytes("set.txt").contains("n1=10"));

  // Choosing the existing "set.txt" asks, and then writes "set.txt.txt".
  ASSERT_TRUE(save("set.txt", true, &seen));
  EXPECT_EQ(seen.questions.size(), 1);
  EXPECT_TRUE(bytes("set.txt.txt").contains("n1=10"));

  // Refusing the overwrite and cancelling writes nothing.
  prompter.boxes.clear();
  EXPECT_FALSE(save("set.txt", false, &seen));
  EXPECT_EQ(seen.questions.size(), 1);
  EXPECT_FALSE(QFile::exists(dir.filePath("set.txt.txt.txt")));
  EXPECT_FALSE(save(QString()));
  EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(ParameterFileDialogsTest, FailedSaveIsNotReportedAsSuccess) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("busy.txt"));
  EXPECT_FALSE(save("busy"));
  ASSERT_EQ(prompter.boxes.size(), 1u);
  EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
  EXPECT_TRUE(prompter.boxes[0].text.startsWith("Не удалось сохранить файл параметров"));
}

TEST_F(ParameterFileDialogsTest, LoadFillsTheTables) {
  QFile file(dir.filePath("load.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[version]\r\nver=201\r\n[main_inps_v200]\r\nn1=77\r\n");
  file.close();
  answer("OpenDialog1", "load.txt", true,
         [&] { return loadParameterFileDialog(nullptr, core.parameterContext()); });
  EXPECT_TRUE(result);
  EXPECT_EQ(core.params.tables.cellText(ParameterTables::Inps, 0), "77");
  EXPECT_TRUE(prompter.boxes.empty());

  core.params.tables.setCellText(ParameterTables::Inps, 0, "1");
  answer("OpenDialog1", QString(), true,
         [&] { return loadParameterFileDialog(nullptr, core.parameterContext()); });
  EXPECT_FALSE(result);
  EXPECT_EQ(core.params.tables.cellText(ParameterTables::Inps, 0), "1");
}

}  // namespace
