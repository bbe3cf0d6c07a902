#pragma once

#include <QObject>
#include <cstdint>

class QCustomPlot;
class QCPGraph;
class DiagramState;

// PlotDiag: the test plot of the diagram state (the motor currents of the final motor test at
// 24 V), drawn as the diagram draws: red line, red-bordered square marks, "Время, сек" under a
// bottom axis of 21 ticks, 11 ticks on the left, labels as '###0.##'.
class TestPlotView : public QObject {
  Q_OBJECT
 public:
  TestPlotView(QCustomPlot* plot, DiagramState& diagram);

 private:
  void refresh(int plot);

  QCustomPlot* plot_;
  QCPGraph* line2_;
  DiagramState& diagram_;
  int shown_ = 0;
  uint64_t generation_ = 0;
};
