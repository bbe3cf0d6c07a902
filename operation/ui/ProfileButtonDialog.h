#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Профиль": the name and the parameter file of one profile button. Form TFormProfile (object
// name FormProfile).
class ProfileButtonDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProfileButtonDialog(QWidget* parent = nullptr);

  // True when the dialog last ended with "ОК"; "Отмена" and closing the window clear it.
  bool resultOk() const { return resultOk_; }

  QLineEdit* editName() const { return editName_; }
  QLineEdit* editFile() const { return editFile_; }
  QPushButton* buttonFile() const { return buttonFile_; }
  QPushButton* buttonOK() const { return buttonOK_; }
  QPushButton* buttonCancel() const { return buttonCancel_; }

 public slots:
  void reject() override;

 private slots:
  void ButtonFileClick();
  void ButtonOKClick();
  void ButtonCancelClick();

 private:
  QLineEdit* editName_;
  QLineEdit* editFile_;
  QPushButton* buttonFile_;
  QPushButton* buttonOK_;
  QPushButton* buttonCancel_;
  bool resultOk_ = false;
};
