#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The start-up password dialog. The level it gives decides which parts of the main window the
// user can reach for the whole run. Form TForm3 (object name Form3).
class PasswordDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PasswordDialog(QWidget* parent = nullptr);

  // Shows the dialog modally; 1 or 2 for a right password, 0 when cancelled or closed.
  int askAccessLevel();
  int accessLevel() const { return accessLevel_; }

  QLineEdit* passwordEdit() const { return passwordEdit_; }
  QPushButton* buttonOK() const { return buttonOK_; }
  QPushButton* buttonCancel() const { return buttonCancel_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void ButtonOKClick();

 private:
  QLineEdit* passwordEdit_;
  QPushButton* buttonOK_;
  QPushButton* buttonCancel_;
  int accessLevel_ = 0;
};
