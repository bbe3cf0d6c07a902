#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The motor voltage dialog: shows the present and the new voltage type and takes the password
// the module wants for the change. It only asks; the change itself is the worker's. Form TForm4
// (object name Form4).
class MotorVoltageDialog : public QDialog {
  Q_OBJECT
 public:
  explicit MotorVoltageDialog(QWidget* parent = nullptr);

  // Shows the dialog modally with the two type names; true when the user confirmed with ОК.
  bool ask(const QString& currentName, const QString& newName);
  bool confirmed() const { return confirmed_; }

  QLabel* currentTypeText() const { return currentTypeText_; }
  QLabel* newTypeText() const { return newTypeText_; }
  QLineEdit* editPsw() const { return editPsw_; }
  QPushButton* buttonOK() const { return buttonOK_; }
  QPushButton* buttonCancel() const { return buttonCancel_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void ButtonOKClick();
  void ButtonCancelClick();

 private:
  QLabel* currentTypeText_;
  QLabel* newTypeText_;
  QLineEdit* editPsw_;
  QPushButton* buttonOK_;
  QPushButton* buttonCancel_;
  bool confirmed_ = false;
};
