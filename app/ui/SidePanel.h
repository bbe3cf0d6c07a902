#pragma once

#include <QFrame>

class QLabel;
class QTableWidget;
class LinkIndicator;

// The panel on the right of the main window: the live digital inputs and outputs, the duration
// of the last poll pass and the link lamp.
class SidePanel : public QFrame {
  Q_OBJECT
 public:
  explicit SidePanel(QWidget* parent = nullptr);

  QTableWidget* stringGridDigInputs() const { return digInputs_; }
  QTableWidget* stringGridDigOutputs() const { return digOutputs_; }
  QLabel* passDurationLabel() const { return passDuration_; }
  // Label12: how long the last poll pass took.
  void showPassDuration(int ms);
  LinkIndicator* linkLamp() const { return linkLamp_; }

 private:
  QTableWidget* digInputs_;
  QTableWidget* digOutputs_;
  QLabel* passDuration_;
  LinkIndicator* linkLamp_;
};
