#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QToolBar;

// The page "Управление": commands, endurance cycles, the bench output buttons and the module's
// own link settings.
class ControlPage : public QWidget {
  Q_OBJECT
 public:
  explicit ControlPage(QWidget* parent = nullptr);

  // Bench output buttons; shown only at the highest access level.
  QToolBar* benchToolBar() const { return toolBar4_; }
  QPushButton* buttonConnect() const { return buttonConnect_; }
  QLabel* commandText() const { return staticText3_; }       // the command being executed
  QLabel* controlStateText() const { return staticText2_; }  // the control state

 private:
  QToolBar* toolBar4_;
  QPushButton* buttonConnect_;
  QLabel* staticText3_;
  QLabel* staticText2_;
};
