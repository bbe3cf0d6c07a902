#include "bench/TestPlotView.h"

#include <qcustomplot.h>

#include "operation/Diagram.h"

TestPlotView::TestPlotView(QCustomPlot* plot, DiagramState& diagram)
    : QObject(plot), plot_(plot), diagram_(diagram) {
  line2_ = plot_->addGraph();
  line2_->setName(QStringLiteral("Line2"));
  line2_->setPen(QPen(Qt::red));
  line2_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(Qt::red), Qt::white, 5));
  plot_->xAxis->setLabel(QStringLiteral("Время, сек"));
  plot_->xAxis->ticker()->setTickCount(21);
  plot_->yAxis->ticker()->setTickCount(11);
  // As '###0.##': plain numbers without a thousands separator or trailing zeros.
  for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
    axis->setNumberFormat(QStringLiteral("g"));
    axis->setNumberPrecision(6);
  }
  plot_->setBackground(Qt::white);
  plot_->xAxis->setRange(0, 1);
  connect(&diagram_, &DiagramState::changed, this, &TestPlotView::refresh, Qt::QueuedConnection);
}

void TestPlotView::refresh(int plot) {
  if (plot != DiagramState::Test) return;
  DiagramState::Points p = diagram_.pointsSince(DiagramState::Test, shown_);
  if (p.generation != generation_ || p.total < shown_) {
    generation_ = p.generation;
    line2_->data()->clear();
    shown_ = 0;
    p = diagram_.pointsSince(DiagramState::Test, 0);
  }
  line2_->addData(p.x, p.y, true);
  shown_ = p.total;
  plot_->xAxis->setRange(0, p.axisMax);
  line2_->rescaleValueAxis(false, true);
  plot_->replot(QCustomPlot::rpQueuedReplot);
}
