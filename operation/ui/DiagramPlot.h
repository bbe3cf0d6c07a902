#pragma once

#include <qcustomplot.h>

#include <QTimer>

#include "operation/Diagram.h"

// One plot of DiagramState drawn as the window shows it: a red line with red-bordered square
// marks on white, "Время, сек" below, 21 ticks on the time axis and 11 on the value axis,
// labels as whole numbers with up to two decimals. New points are appended as they come
// (redrawn at most every 40 ms); the mouse zooms and pans, a double click resets the view,
// and the context menu saves the picture as PNG and the points as CSV.
class DiagramPlot : public QCustomPlot {
  Q_OBJECT
 public:
  DiagramPlot(DiagramState& state, DiagramState::Plot plot, QWidget* parent = nullptr);

  QCPGraph* line() const { return graph(0); }
  // True once the user has dragged or zoomed the view away from following the points.
  bool userView() const { return userView_; }
  // Brings the plot up to the state at once (the timer does it otherwise).
  void refresh();

  // "время;значение" lines of the points drawn, seconds with a dot; true when written.
  bool savePoints(const QString& path) const;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void resetView();

  DiagramState& state_;
  DiagramState::Plot plot_;
  QTimer refreshTimer_;
  int drawn_ = 0;
  uint64_t generation_ = ~uint64_t(0);
  double axisMax_ = 1;
  bool userView_ = false;     // zoomed or panned: new points do not move the view
  bool settingView_ = false;  // the plot itself sets the ranges
};
