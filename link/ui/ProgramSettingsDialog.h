#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// Program settings: the poll timer period and the drive type, which decides the input names.
class ProgramSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProgramSettingsDialog(QWidget* parent = nullptr);

  // Set only by a confirmed Button1 click; cleared each time the window is shown.
  bool isAccepted() const { return accepted_; }

  QLineEdit* periodEdit() const { return edit1_; }
  QComboBox* comboBoxType() const { return comboBoxType_; }
  QPushButton* okButton() const { return button1_; }
  QPushButton* cancelButton() const { return button2_; }

 public slots:
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  QLineEdit* edit1_;
  QComboBox* comboBoxType_;
  QPushButton* button1_;
  QPushButton* button2_;
  bool accepted_ = false;
};
