// The profile buttons: captions from prof.ini, loading a profile's parameter file, and the
// dialog "Профиль" behind the popup item.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include "app/AppContext.h"
#include "operation/ui/ProfileBar.h"
#include "operation/ui/ProfileButtonDialog.h"
#include "params/Identification.h"
#include "support/ScriptedLine.h"
#include "ui/ModalAnswerer.h"

namespace {

class ProfileBarTest : public ::testing::Test {
 protected:
  ProfileBarTest() { restart(); }

  // A new core and bar reading prof.ini from disk, as after a restart of the program.
  void restart() {
    bar.reset();
    core = std::make_unique<AppContext>(dir.path(), prompter);
    bar = std::make_unique<ProfileBar>(core->parameterContext(), core->prof);
  }
  // The module of this version as identified, with its tables built.
  void identified(int version) {
    ParameterTables::Firmware f = core->params.tables.firmware();
    f.version = version;
    f.layout = FirmwareLayout::forVersion(version, f.layout);
    core->params.tables.setFirmware(f);
    Identification(core->parameterContext()).buildTables();
    core->flags.firmwareVersion = version;
  }
  QString write(const char* name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return f.fileName();
  }
  QByteArray profIni() {
    QFile f(dir.filePath("prof.ini"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void rightClick(int n) {
    QToolButton* button = bar->profileButton(n);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                        button->mapToGlobal(QPointF(5, 5)), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(button, &release);
  }
  QString lastBox() const {
    return prompter.boxes.empty()
               ? QString()
               : prompter.boxes.back().caption + QLatin1Char('|') + prompter.boxes.back().text;
  }
  bool writeRequested() const { return core->requests.module[RequestFlags::MainWrite]; }

  // What the dialog showed when it opened.
  struct Shown {
    QString title, name, file;
  };
  // Opens the dialog of button n through the popup and lets `answer` end it.
  Shown configure(int n, const std::function<void(ProfileButtonDialog*)>& answer) {
    Shown shown;
    bool done = false;
    ModalAnswerer answerer([&](QWidget* modal) {
      auto* form = qobject_cast<ProfileButtonDialog*>(modal);
      if (!form || done) return;
      done = true;
      shown = {form->windowTitle(), form->editName()->text(), form->editFile()->text()};
      answer(form);
    });
    rightClick(n);
    EXPECT_EQ(bar->lastProfileButton(), bar->profileButton(n));
    EXPECT_TRUE(bar->popupMenu()->isVisible());
    bar->popupMenu()->hide();
    bar->configureAction()->trigger();
    EXPECT_TRUE(done);
    return shown;
  }

  QTemporaryDir dir;
  RecordingPrompter prompter;
  std::unique_ptr<AppContext> core;
  std::unique_ptr<ProfileBar> bar;
};

TEST_F(ProfileBarTest, FreshProfIni) {
  EXPECT_EQ(bar->toolBar()->objectName(), "ToolBar3");
  EXPECT_EQ(bar->popupMenu()->objectName(), "PopupMenu1");
  EXPECT_EQ(bar->configureAction()->text(), "Настройка кнопки загрузки профиля");
  for (int n = 1; n <= 4; ++n) {
    QToolButton* button = bar->profileButton(n);
    EXPECT_EQ(button->objectName(), QStringLiteral("ToolButton%1").arg(16 + n));
    EXPECT_EQ(button->text(), QStringLiteral("Профиль %1").arg(n));
    EXPECT_EQ(button->width(), 70);
  }

  bar->profileButton(2)->click();
  EXPECT_EQ(lastBox(), "Ошибка|Не указан путь к файлу данного профиля");
  EXPECT_FALSE(writeRequested());

  const Shown shown =
      configure(2, [](ProfileButtonDialog* form) { form->buttonCancel()->click(); });
  EXPECT_EQ(shown.title, "Профиль 2");
  // The dialog offers the caption the button shows: "ОК" without typing renames nothing.
  EXPECT_EQ(shown.name, "Профиль 2");
  EXPECT_EQ(shown.file, "");
  EXPECT_FALSE(QFile::exists(dir.filePath("prof.ini")));
  EXPECT_EQ(bar->profileButton(2)->text(), "Профиль 2");
  configure(2, [](ProfileButtonDialog* form) { form->buttonOK()->click(); });
  EXPECT_EQ(bar->profileButton(2)->text(), "Профиль 2");
}

TEST_F(ProfileBarTest, RenamingChangesTheCaptionAtOnceAndAfterARestart) {
  const QString chosen = write("set-a.txt", "[version]\r\nver=0\r\n");
  // The name is typed, the file picked through "...", then "ОК".
  int step = 0;
  QString offeredFile;
  ModalAnswerer answerer([&](QWidget* modal) {
    auto* form = qobject_cast<ProfileButtonDialog*>(modal);
    auto* files = qobject_cast<QFileDialog*>(modal);
    if (form && step == 0) {
      step = 1;
      form->editName()->setText("Ввод 6 кВ");
      QMetaObject::invokeMethod(form->buttonFile(), &QPushButton::click, Qt::QueuedConnection);
    } else if (files && step == 1) {
      step = 2;
      EXPECT_EQ(files->objectName(), "OpenDialog1");
      offeredFile = files->selectedFiles().value(0);
      files->selectFile(chosen);
      QMetaObject::invokeMethod(
          files, [files] { static_cast<QDialog*>(files)->accept(); }, Qt::QueuedConnection);
    } else if (form && step == 2 && form->editFile()->text() == chosen) {
      step = 3;
      form->buttonOK()->click();
    }
  });
  core->prof.writeString("prof3", "path", dir.filePath("old.txt"));
  const QString workingDirectory = QDir::currentPath();
  rightClick(3);
  bar->popupMenu()->hide();
  bar->configureClicked();
  EXPECT_EQ(step, 3);
  EXPECT_EQ(offeredFile, dir.filePath("old.txt"));  // the dialog starts at the file set before
  EXPECT_EQ(bar->profileButton(3)->text(), "Ввод 6 кВ");
  EXPECT_EQ(QDir::currentPath(), workingDirectory);

  restart();
  EXPECT_EQ(bar->profileButton(3)->text(), "Ввод 6 кВ");
  EXPECT_EQ(core->prof.readString("prof3", "path", ""), chosen);

  // "Отмена" after an edit changes nothing, on screen or on disk.
  const QByteArray before = profIni();
  configure(3, [](ProfileButtonDialog* form) {
    form->editName()->setText("другое");
    form->editFile()->setText("/elsewhere.txt");
    form->buttonCancel()->click();
  });
  EXPECT_EQ(bar->profileButton(3)->text(), "Ввод 6 кВ");
  EXPECT_EQ(profIni(), before);
  // So does closing the window.
  configure(3, [](ProfileButtonDialog* form) {
    form->editName()->setText("другое");
    form->close();
  });
  EXPECT_EQ(profIni(), before);
}

TEST_F(ProfileBarTest, LoadingAProfile) {
  identified(201);
  core->prof.writeString("prof1", "path", dir.filePath("deleted.txt"));
  core->prof.writeString("prof2", "path", dir.path());
  core->prof.writeString("prof3", "path",
                         write("200.txt", "[version]\r\nver=200\r\n[main_inps_v200]\r\nn1=12\r\n"));
  core->prof.writeString("prof4", "path",
                         write("201.txt", "[version]\r\nver=201\r\n[main_inps_v200]\r\nn1=12\r\n"));

  for (int n : {1, 2}) {
    bar->profileButton(n)->click();
    EXPECT_EQ(lastBox(), "Ошибка|Файл данного профиля не найден по указаному пути") << n;
  }
  bar->profileButton(3)->click();
  EXPECT_EQ(lastBox(),
            "Ошибка|Версия файла параметров 200 не соответствует версии текущего "
            "подключенного блока 201");
  EXPECT_NE(core->params.tables.cellText(ParameterTables::Inps, 0), "12");
  EXPECT_FALSE(writeRequested());

  prompter.boxes.clear();
  bar->profileButton(4)->click();
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Inps, 0), "12");
  EXPECT_EQ(core->params.tables.cellText(ParameterTables::Timers, 0), "---");
  EXPECT_TRUE(writeRequested());
}

}  // namespace
