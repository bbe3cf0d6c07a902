#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Link parameters dialog, used two ways: the program's own link settings (address, line
// settings, port and timing, stored in mem.ini) and the module's link settings (address and
// line settings read from and written to the module). Form TConparDlg (object name ConparDlg).
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

  QGroupBox* linkGroup() const { return linkGroup_; }
  QLineEdit* editAdr() const { return editAdr_; }
  QComboBox* speedBox() const { return speedBox_; }
  QComboBox* parityBox() const { return parityBox_; }
  QComboBox* comboBoxStops() const { return comboBoxStops_; }
  QLabel* stopBitsLabel() const { return stopBitsLabel_; }
  QComboBox* portBox() const { return portBox_; }
  QLabel* portLabel() const { return portLabel_; }
  // Program use only: "Быстрый обмен" (connect/fast) and "Эхо адаптера" (connect/echo).
  QCheckBox* fastBox() const { return fastBox_; }
  QCheckBox* echoBox() const { return echoBox_; }
  QGroupBox* timingGroup() const { return timingGroup_; }
  QLineEdit* editSend() const { return editSend_; }
  QLineEdit* editSleep() const { return editSleep_; }
  QLineEdit* editReceive() const { return editReceive_; }
  QLineEdit* readIntervalEdit() const { return readIntervalEdit_; }
  QLineEdit* readTotalPerByteEdit() const { return readTotalPerByteEdit_; }
  QLineEdit* readTotalConstantEdit() const { return readTotalConstantEdit_; }
  QLineEdit* writeTotalPerByteEdit() const { return writeTotalPerByteEdit_; }
  QLineEdit* writeTotalConstantEdit() const { return writeTotalConstantEdit_; }
  QPushButton* okBtn() const { return okBtn_; }
  QPushButton* cancelBtn() const { return cancelBtn_; }

 public slots:
  void OKBtnClick();
  void CancelBtnClick();

 private:
  // GroupBox4: address, line settings, port, fast exchange and adapter echo.
  void buildLinkGroup();
  // GroupBox1: the exchange timing and the port's time-outs, shown for reference.
  void buildTimingGroup();
  // A message box with caption "Ошибка"; the dialog then closes as not accepted.
  void refuse(const QString& text);

  QGroupBox* linkGroup_;
  QLineEdit* editAdr_;
  QComboBox* speedBox_;
  QComboBox* parityBox_;
  QComboBox* comboBoxStops_;
  QLabel* stopBitsLabel_;
  QComboBox* portBox_;
  QLabel* portLabel_;
  QCheckBox* fastBox_;
  QCheckBox* echoBox_;
  QGroupBox* timingGroup_;
  QGroupBox* exchangeTimingGroup_;
  QGroupBox* portTimeoutsGroup_;
  QLineEdit* editSend_;
  QLineEdit* editSleep_;
  QLineEdit* editReceive_;
  QLineEdit* readIntervalEdit_;
  QLineEdit* readTotalPerByteEdit_;
  QLineEdit* readTotalConstantEdit_;
  QLineEdit* writeTotalPerByteEdit_;
  QLineEdit* writeTotalConstantEdit_;
  QPushButton* okBtn_;
  QPushButton* cancelBtn_;
  bool accepted_ = false;
};
