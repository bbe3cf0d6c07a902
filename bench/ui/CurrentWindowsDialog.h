#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class QTableWidget;
class SettingsStore;

// "Дополнительные параметры": the current windows of tp.ini, one profile at a time (0 fine,
// 1 coarse). "Сохранить" checks every value (0 to 10000) and writes the profile; the dialog
// stays open. Form TFormCurrentWindow (object name FormCurrentWindow).
class CurrentWindowsDialog : public QDialog {
  Q_OBJECT
 public:
  CurrentWindowsDialog(SettingsStore& tp, QWidget* parent = nullptr);

  QComboBox* comboBoxCurProf() const { return curProf_; }
  QTableWidget* stringGridTok() const { return grid_; }
  QPushButton* buttonSave() const { return save_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void FormShow();
  void ComboBoxCurProfChange();
  void ButtonSaveClick();

 private:
  void loadGrid();

  SettingsStore& tp_;
  QComboBox* curProf_;
  QTableWidget* grid_;
  QPushButton* save_;
};
