#pragma once

#include <QGroupBox>
#include <array>

#include "operation/Cycles.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The group "Циклы" of the control page: the endurance run's settings, buttons and stages.
class CyclesGroup : public QGroupBox {
  Q_OBJECT
 public:
  explicit CyclesGroup(const OperationContext& ctx, QWidget* parent = nullptr);

  QLineEdit* editCycles() const { return editCycles_; }
  QLineEdit* editPause() const { return editPause_; }
  QCheckBox* checkBoxNoFeedback() const { return noFeedback_; }
  QLineEdit* editNoFeedbackTime() const { return noFeedbackTime_; }
  QPushButton* buttonStartCycles() const { return start_; }
  QPushButton* buttonStopCycles() const { return stop_; }
  QPushButton* buttonResetCycles() const { return reset_; }
  QLabel* statusText() const { return status_; }  // StaticTextCyclesStatus
  QLabel* stageText(CyclesState::Field field) const { return stages_[field]; }
  QLabel* doneText() const { return done_; }  // StaticTextDoneCycles

  // Draws the run as the state has it.
  void showState();

 private:
  static void paint(QWidget* widget, const QColor& colour);

  OperationContext ctx_;
  QLineEdit* editCycles_;
  QLineEdit* editPause_;
  QCheckBox* noFeedback_;
  QLineEdit* noFeedbackTime_;
  QPushButton* start_;
  QPushButton* stop_;
  QPushButton* reset_;
  QLabel* status_;
  std::array<QLabel*, CyclesState::FieldCount> stages_{};
  QLabel* done_;
};
