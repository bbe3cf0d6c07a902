#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// Program settings: the poll timer period and the drive type, which decides the input names.
// Form TForm2 (object name Form2).
class ProgramSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProgramSettingsDialog(QWidget* parent = nullptr);

  // Set only by a confirmed Button1 click; cleared each time the window is shown.
  bool isAccepted() const { return accepted_; }

  QLineEdit* periodEdit() const { return periodEdit_; }
  QComboBox* comboBoxType() const { return comboBoxType_; }
  QPushButton* okButton() const { return okButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 public slots:
  void okClicked();
  void cancelClicked();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  QLineEdit* periodEdit_;
  QComboBox* comboBoxType_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  bool accepted_ = false;
};
