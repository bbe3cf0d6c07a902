#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class SettingsStore;

// The page "Основные": the module's inputs, timers and motor tables, the output logic, the
// motor voltage, parameter files and the profile buttons.
class MainPage : public QWidget {
  Q_OBJECT
 public:
  explicit MainPage(QWidget* parent = nullptr);

  QTableWidget* stringGridInps() const { return inps_; }
  QTableWidget* stringGridTimers() const { return timers_; }
  QTableWidget* stringGridActu() const { return actu_; }
  QGroupBox* outputLogicGroup() const { return outputs_; }
  QGroupBox* motorVoltageGroup() const { return motor_; }
  QGroupBox* profilesGroup() const { return profiles_; }
  QRadioButton* radioButtonAlarmOn() const { return alarmOn_; }
  QRadioButton* radioButtonAlarmOff() const { return alarmOff_; }
  QRadioButton* radioButtonDirect() const { return direct_; }
  QRadioButton* radioButtonInverse() const { return inverse_; }
  QLabel* staticTextMotorVoltage() const { return motorVoltage_; }
  QPushButton* buttonChange() const { return change_; }
  QPushButton* buttonSave() const { return save_; }
  QPushButton* buttonSaveProfile() const { return saveProfile_; }
  QPushButton* buttonLoadProfile() const { return loadProfile_; }
  QPushButton* buttonCompareProfile() const { return compareProfile_; }
  QPushButton* buttonShowConnect() const { return showConnect_; }

  // Shows the groups the module's firmware has; the output-logic captions come from main_outs.
  void showFirmwareGroups(int version, const SettingsStore& mem);
  // The radio pairs and the motor voltage name.
  void showChoices(bool alarmOn, bool direct, const QString& motorVoltage);

 signals:
  // The page became visible because the user (or the program) chose its tab.
  void shown();
  // The user picked an output logic.
  void choicesEdited(bool alarmOn, bool direct);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTableWidget* inps_;
  QTableWidget* timers_;
  QTableWidget* actu_;
  QGroupBox* outputs_;
  QGroupBox* motor_;
  QGroupBox* profiles_;
  QRadioButton* alarmOn_;
  QRadioButton* alarmOff_;
  QRadioButton* direct_;
  QRadioButton* inverse_;
  QLabel* motorVoltage_;
  QPushButton* change_;
  QPushButton* save_;
  QPushButton* saveProfile_;
  QPushButton* loadProfile_;
  QPushButton* compareProfile_;
  QPushButton* showConnect_;
};
