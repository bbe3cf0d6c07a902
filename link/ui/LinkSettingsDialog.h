#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Link parameters dialog, used two ways: the program's own link settings (address, line
// settings, port and timing, stored in mem.ini) and the module's link settings (address and
// line settings read from and written to the module).
class LinkSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit LinkSettingsDialog(QWidget* parent = nullptr);

  enum class Use { Program, Module };
  // Group caption, OK caption, and whether the port and timing controls are shown.
  void setUse(Use use);
  // ComboBoxStops with its label Label11.
  void setStopBitsShown(bool shown);

  // Set only by a confirmed OKBtn click; the caller clears it before each showing.
  bool isAccepted() const { return accepted_; }
  void clearAccepted() { accepted_ = false; }
  // Clears the flag, shows the dialog modally and returns the flag.
  bool execute();

  QGroupBox* linkGroup() const { return groupBox4_; }
  QLineEdit* editAdr() const { return editAdr_; }
  QComboBox* speedBox() const { return comboBox2_; }
  QComboBox* parityBox() const { return comboBox3_; }
  QComboBox* comboBoxStops() const { return comboBoxStops_; }
  QLabel* stopBitsLabel() const { return label11_; }
  QComboBox* portBox() const { return comboBox1_; }
  QLabel* portLabel() const { return label1_; }
  QGroupBox* timingGroup() const { return groupBox1_; }
  QLineEdit* editSend() const { return editSend_; }
  QLineEdit* editSleep() const { return editSleep_; }
  QLineEdit* editReceive() const { return editReceive_; }
  QLineEdit* readIntervalEdit() const { return edit1_; }
  QLineEdit* readTotalPerByteEdit() const { return edit2_; }
  QLineEdit* readTotalConstantEdit() const { return edit3_; }
  QLineEdit* writeTotalPerByteEdit() const { return edit5_; }
  QLineEdit* writeTotalConstantEdit() const { return edit6_; }
  QPushButton* okBtn() const { return okBtn_; }
  QPushButton* cancelBtn() const { return cancelBtn_; }

 public slots:
  void OKBtnClick();
  void CancelBtnClick();

 private:
  // A message box with caption "Ошибка"; the dialog then closes as not accepted.
  void refuse(const QString& text);

  QGroupBox* groupBox4_;
  QLineEdit* editAdr_;
  QComboBox* comboBox2_;
  QComboBox* comboBox3_;
  QComboBox* comboBoxStops_;
  QLabel* label11_;
  QComboBox* comboBox1_;
  QLabel* label1_;
  QGroupBox* groupBox1_;
  QGroupBox* groupBox2_;
  QGroupBox* groupBox3_;
  QLineEdit* editSend_;
  QLineEdit* editSleep_;
  QLineEdit* editReceive_;
  QLineEdit* edit1_;
  QLineEdit* edit2_;
  QLineEdit* edit3_;
  QLineEdit* edit5_;
  QLineEdit* edit6_;
  QPushButton* okBtn_;
  QPushButton* cancelBtn_;
  bool accepted_ = false;
};
