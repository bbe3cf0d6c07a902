#pragma once

#include <QWidget>

#include "operation/OperationContext.h"

class CyclesGroup;
class QLabel;
class QPushButton;
class QToolBar;

// The page "Управление": commands, endurance cycles, the bench output buttons and the module's
// own link settings.
class ControlPage : public QWidget {
  Q_OBJECT
 public:
  explicit ControlPage(const OperationContext& ctx, QWidget* parent = nullptr);

  // Bench output buttons; shown only at the highest access level.
  QToolBar* benchToolBar() const { return benchToolBar_; }
  QPushButton* buttonConnect() const { return buttonConnect_; }
  QPushButton* buttonPush() const { return push_; }
  QPushButton* buttonPull() const { return pull_; }
  QPushButton* buttonRst() const { return reset_; }
  QLabel* commandText() const { return commandText_; }            // the command being executed
  QLabel* controlStateText() const { return controlStateText_; }  // the control state
  CyclesGroup* cyclesGroup() const { return cycles_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  OperationContext ctx_;
  QToolBar* benchToolBar_;
  QPushButton* buttonConnect_;
  QPushButton* push_;
  QPushButton* pull_;
  QPushButton* reset_;
  QLabel* commandText_;
  QLabel* controlStateText_;
  CyclesGroup* cycles_;
};
