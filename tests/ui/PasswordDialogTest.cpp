#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "app/ui/PasswordDialog.h"
#include "ui/ModalAnswerer.h"

namespace {

// Types `password` and confirms it the way the user did, once per showing of the dialog.
void typeAndConfirm(PasswordDialog& dialog, const QString& password, bool byEnter) {
  dialog.passwordEdit()->setText(password);
  if (byEnter) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog.passwordEdit(), &enter);
  } else {
    dialog.buttonOK()->click();
  }
}

}  // namespace

TEST(PasswordDialog, RightPasswordsGiveTheirLevel) {
  struct Case {
    QString password;
    bool byEnter;
    int level;
  };
  for (const Case& c : {Case{"4898", false, 1}, Case{"8766", false, 2}, Case{"8766", true, 2}}) {
    SCOPED_TRACE(c.password.toStdString() + (c.byEnter ? " by Enter" : " by OK"));
    PasswordDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Вход с паролем"));
    EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    dialog.passwordEdit()->setText("48");
    EXPECT_EQ(dialog.passwordEdit()->displayText(), "**");
    MessageBoxAnswerer boxes;
    ModalAnswerer user([&](QWidget* modal) {
      if (modal == &dialog) typeAndConfirm(dialog, c.password, c.byEnter);
    });
    EXPECT_EQ(dialog.askAccessLevel(), c.level);
    EXPECT_TRUE(boxes.seen().empty());
  }
}

TEST(PasswordDialog, WrongPasswordKeepsTheDialogOpenUntilARightOne) {
  PasswordDialog dialog;
  MessageBoxAnswerer boxes;
  bool openAfterError = false;
  bool editFocusedAfterError = false;
  int attempts = 0;
  ModalAnswerer user([&](QWidget* modal) {
    if (modal != &dialog) return;
    ++attempts;
    // A prefix, a longer text and a blank are all wrong: the whole text is compared.
    for (const char* wrong : {"489", "48981", ""}) typeAndConfirm(dialog, wrong, false);
    openAfterError = dialog.isVisible();
    editFocusedAfterError = dialog.focusWidget() == dialog.passwordEdit();
    typeAndConfirm(dialog, "4898", false);
  });
  EXPECT_EQ(dialog.askAccessLevel(), 1);
  EXPECT_EQ(attempts, 1);
  EXPECT_TRUE(openAfterError);
  EXPECT_TRUE(editFocusedAfterError);
  ASSERT_EQ(boxes.seen().size(), 3u);
  for (const SeenBox& box : boxes.seen()) {
    EXPECT_EQ(box.title, QStringLiteral("ОШИБКА"));
    EXPECT_EQ(box.text, QStringLiteral("Неверный пароль"));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
  }
}

TEST(PasswordDialog, CancelOrClosingGivesLevelZeroAndShowingStartsClean) {
  enum class Leave { Cancel, Close, Escape };
  for (Leave leave : {Leave::Cancel, Leave::Close, Leave::Escape}) {
    SCOPED_TRACE(static_cast<int>(leave));
    PasswordDialog dialog;
    // A level and a text left from an earlier showing must not carry over.
    {
      ModalAnswerer first([&](QWidget* modal) {
        if (modal == &dialog) typeAndConfirm(dialog, "8766", false);
      });
      ASSERT_EQ(dialog.askAccessLevel(), 2);
    }
    dialog.passwordEdit()->setText("8766");

    QString textOnShow = "unset";
    ModalAnswerer user([&](QWidget* modal) {
      if (modal != &dialog || textOnShow != "unset") return;
      textOnShow = dialog.passwordEdit()->text();
      if (leave == Leave::Cancel) {
        dialog.buttonCancel()->click();
      } else if (leave == Leave::Close) {
        dialog.close();
      } else {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog.passwordEdit(), &escape);
      }
    });
    EXPECT_EQ(dialog.askAccessLevel(), 0);
    EXPECT_EQ(textOnShow, QString());
  }
}
