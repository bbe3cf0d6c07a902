// The diagram as drawn: its look, its time axis following the points, the user's own view, and
// "Очистить".
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>

#include "operation/ui/DiagramPage.h"
#include "operation/ui/DiagramPlot.h"
#include "support/SimCore.h"

namespace {

class DiagramPlotTest : public ::testing::Test, public SimCore {
 protected:
  DiagramPlotTest() : page(core->operationContext()) {
    page.resize(800, 500);
    page.show();
  }
  DiagramPlot* plot() { return page.plot(); }
  DiagramState& diagram() { return core->operation.diagram; }
  void add(double x, double y) {
    diagram().add(DiagramState::Main, x, y);
    plot()->refresh();
  }
  void mouse(QEvent::Type type, Qt::MouseButton button, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, at, plot()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(plot(), &event);
  }
  QPoint centre() { return plot()->axisRect()->rect().center(); }

  DiagramPage page;
};

TEST_F(DiagramPlotTest, LooksAsTheWindowShowsIt) {
  EXPECT_EQ(plot()->objectName(), "Plot1");
  EXPECT_EQ(plot()->line()->name(), "Line1");
  EXPECT_EQ(plot()->xAxis->label(), "Время, сек");
  EXPECT_EQ(plot()->xAxis->ticker()->tickCount(), 21);
  EXPECT_EQ(plot()->yAxis->ticker()->tickCount(), 11);
  EXPECT_EQ(plot()->line()->pen().color(), QColor(Qt::red));
  const QCPScatterStyle marks = plot()->line()->scatterStyle();
  EXPECT_EQ(marks.shape(), QCPScatterStyle::ssSquare);
  EXPECT_EQ(marks.pen().color(), QColor(Qt::red));
  const QImage picture = plot()->toPixmap(200, 100).toImage();
  EXPECT_EQ(picture.pixelColor(2, 2), QColor(Qt::white));
  // Labels as '###0.##': no grouping, at most two decimals, no trailing zeros.
  add(0, 0.25);
  add(1999, 1234.5);
  plot()->replot();
  const QVector<QString> times = plot()->xAxis->tickVectorLabels();
  EXPECT_TRUE(times.contains("2000")) << times.join(' ').toStdString();
  for (const QString& label : times + plot()->yAxis->tickVectorLabels()) {
    EXPECT_FALSE(label.contains(' ') || label.contains(',')) << label.toStdString();
    EXPECT_FALSE(label.contains('.') && label.endsWith('0')) << label.toStdString();
  }
}

TEST_F(DiagramPlotTest, TimeAxisEndsAfterTheLastPoint) {
  add(0.1, 5);
  EXPECT_EQ(plot()->xAxis->range().upper, 2);
  add(2.3, 7);
  EXPECT_EQ(plot()->xAxis->range().lower, 0);
  EXPECT_EQ(plot()->xAxis->range().upper, 4);
  EXPECT_EQ(plot()->line()->dataCount(), 2);
}

// A bare click, or the right click that opens the menu, leaves the axis following new points;
// only a real drag or a zoom takes the view over, and a double click gives it back.
TEST_F(DiagramPlotTest, OnlyARealDragOrZoomTakesTheViewOver) {
  add(0.5, 1);
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
    mouse(QEvent::MouseButtonPress, button, centre());
    mouse(QEvent::MouseButtonRelease, button, centre());
  }
  EXPECT_FALSE(plot()->userView());
  add(5.5, 2);
  EXPECT_EQ(plot()->xAxis->range().upper, 7);

  mouse(QEvent::MouseButtonPress, Qt::LeftButton, centre());
  mouse(QEvent::MouseMove, Qt::LeftButton, centre() + QPoint(60, 0));
  mouse(QEvent::MouseButtonRelease, Qt::LeftButton, centre() + QPoint(60, 0));
  EXPECT_TRUE(plot()->userView());
  const QCPRange dragged = plot()->xAxis->range();
  add(9.5, 3);
  EXPECT_EQ(plot()->xAxis->range(), dragged);

  mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, centre());
  EXPECT_FALSE(plot()->userView());
  EXPECT_EQ(plot()->xAxis->range().upper, 11);

  QWheelEvent wheel(QPointF(centre()), QPointF(plot()->mapToGlobal(centre())), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(plot(), &wheel);
  EXPECT_TRUE(plot()->userView());
}

TEST_F(DiagramPlotTest, ClearEmptiesThePlotAndRestartsItsTime) {
  add(1, 1);
  add(2, 2);
  clock.advance(12345);
  page.buttonResetDiag()->click();
  plot()->refresh();
  EXPECT_EQ(plot()->line()->dataCount(), 0);
  EXPECT_EQ(diagram().startTick, clock.tick());
}

}  // namespace
