#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QPushButton;
class SettingsStore;

// "Шаги испытания": which of the six steps the production test performs (tp.ini, default on).
// Form TFormSteps (object name FormSteps).
class TestStepsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TestStepsDialog(QWidget* parent = nullptr);

  // ButtonStepsClick after the poll timer stopped: the boxes from tp.ini, the dialog, and on
  // "ОК" the boxes written back and the file flushed. True when written.
  bool edit(SettingsStore& tp);

  QCheckBox* checkBox(int step) const { return boxes_[size_t(step)]; }
  QPushButton* buttonOK() const { return ok_; }
  QPushButton* buttonCancel() const { return cancel_; }

 private slots:
  void ButtonOKClick();
  void ButtonCancelClick();

 private:
  std::array<QCheckBox*, 6> boxes_{};
  QPushButton* ok_;
  QPushButton* cancel_;
  bool accepted_ = false;
};
