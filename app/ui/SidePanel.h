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

  // 270 pixels wide, or as wide as the longest input or output name needs: the names come
  // from mem.ini, and none is cut.
  QSize sizeHint() const override;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  // Once the grids have taken their new names (the changes come row by row), each grid asks
  // for room for its longest name beside its value column.
  void fitNamesLater();
  void fitNames();

  bool fitPending_ = false;
  QTableWidget* digInputs_;
  QTableWidget* digOutputs_;
  QLabel* passDuration_;
  LinkIndicator* linkLamp_;
};
