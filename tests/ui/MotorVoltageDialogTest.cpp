#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/AppContext.h"
#include "params/MotorVoltage.h"
#include "params/ui/MotorVoltageAction.h"
#include "params/ui/MotorVoltageDialog.h"
#include "support/ScriptedLine.h"
#include "ui/ModalAnswerer.h"

namespace {

class MotorVoltageDialogTest : public ::testing::Test {
 protected:
  void makeCore(const QByteArray& memIni = {}) {
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("mem.ini"));  // replaces the one of an earlier case
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(memIni);
    file.close();
    core = std::make_unique<AppContext>(dir.path(), prompter);
  }
  void setType(int type) {
    core->params.tables.updateChoices(
        [type](ParameterTables::Choices& c) { c.motorVoltageType = type; });
  }
  bool requested() const { return core->requests.module[RequestFlags::MotorVoltage]; }

  QTemporaryDir dir;
  RecordingPrompter prompter;
  std::unique_ptr<AppContext> core;
  QWidget window;  // stands in for the main window that owns the dialog
};

// What the user saw when the dialog came up.
struct Seen {
  QString title, current, next, password;
  bool unmasked = false, passwordFocused = false, confirmedOnShow = true;
};

Seen look(MotorVoltageDialog& dialog) {
  return {dialog.windowTitle(),
          dialog.currentTypeText()->text(),
          dialog.newTypeText()->text(),
          dialog.editPsw()->text(),
          dialog.editPsw()->echoMode() == QLineEdit::Normal,
          dialog.focusWidget() == dialog.editPsw(),
          dialog.confirmed()};
}

TEST_F(MotorVoltageDialogTest, NamesFollowTheCurrentTypeAndOkRaisesTheRequest) {
  struct Case {
    QByteArray memIni;
    int type;
    QString current, next;
  };
  const Case cases[] = {
      {{}, 0, "24V", "220V"},
      {{}, 1, "220V", "24V"},
      {"[motor]\nn1=24 В пост.\nn2=220 В перем.\n", 1, "220 В перем.", "24 В пост."},
      {{}, 5, "220V", "24V"},  // any non-zero type is the 220 V motor
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    makeCore(c.memIni);
    setType(c.type);
    Seen seen;
    ModalAnswerer user([&](QWidget* modal) {
      auto* dialog = qobject_cast<MotorVoltageDialog*>(modal);
      if (!dialog) return;
      seen = look(*dialog);
      dialog->editPsw()->setText("5249");
      dialog->buttonOK()->click();
    });
    ButtonChangeClick(&window, core->parameterContext());
    EXPECT_EQ(seen.title, "Изменение типа напряжения мотора");
    EXPECT_EQ(seen.current, c.current);
    EXPECT_EQ(seen.next, c.next);
    EXPECT_TRUE(seen.unmasked);
    EXPECT_TRUE(seen.passwordFocused);
    EXPECT_TRUE(requested());
    EXPECT_EQ(core->params.takeMotorPassword(), "5249");
    core->requests.module[RequestFlags::MotorVoltage] = false;
  }
}

TEST_F(MotorVoltageDialogTest, LeavingWithoutOkAfterAnEarlierChangeRequestsNothing) {
  enum class Leave { Close, Cancel, Escape };
  for (Leave leave : {Leave::Close, Leave::Cancel, Leave::Escape}) {
    SCOPED_TRACE(int(leave));
    makeCore();
    {
      ModalAnswerer user([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<MotorVoltageDialog*>(modal)) {
          dialog->editPsw()->setText("5249");
          dialog->buttonOK()->click();
        }
      });
      ButtonChangeClick(&window, core->parameterContext());
    }
    ASSERT_TRUE(requested());
    // The worker served it and took the password.
    core->requests.module[RequestFlags::MotorVoltage] = false;
    core->params.takeMotorPassword();

    Seen seen;
    ModalAnswerer user([&](QWidget* modal) {
      auto* dialog = qobject_cast<MotorVoltageDialog*>(modal);
      if (!dialog) return;
      seen = look(*dialog);
      dialog->editPsw()->setText("1111");
      if (leave == Leave::Close) {
        dialog->close();
      } else if (leave == Leave::Cancel) {
        dialog->buttonCancel()->click();
      } else {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog->editPsw(), &escape);
      }
    });
    ButtonChangeClick(&window, core->parameterContext());
    EXPECT_FALSE(seen.confirmedOnShow);  // the earlier OK does not carry over
    EXPECT_EQ(seen.password, QString());
    EXPECT_FALSE(requested());
    EXPECT_EQ(core->params.takeMotorPassword(), QString());
    // One dialog for the window's whole life, as its other dialogs.
    EXPECT_EQ(window.findChildren<MotorVoltageDialog*>().size(), 1);
  }
}

}  // namespace
