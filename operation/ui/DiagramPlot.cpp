#include "operation/ui/DiagramPlot.h"

#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QScopedValueRollback>

#include "core/ui/MessageBoxes.h"
#include "core/ui/RussianInterface.h"

namespace {

constexpr int kRefreshMs = 40;

// Labels like '###0.##': no grouping, at most two decimals, no trailing zeros.
class PlainTicker : public QCPAxisTicker {
 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    QString text = QString::number(tick, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
  }
};

QSharedPointer<QCPAxisTicker> ticker(int count) {
  QSharedPointer<QCPAxisTicker> t(new PlainTicker);
  t->setTickCount(count);
  return t;
}

}  // namespace

DiagramPlot::DiagramPlot(DiagramState& state, DiagramState::Plot plot, QWidget* parent)
    : QCustomPlot(parent), state_(state), plot_(plot) {
  setBackground(Qt::white);
  QCPGraph* graph = addGraph();
  graph->setPen(QPen(Qt::red));
  graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(Qt::red), Qt::white, 4));
  graph->setAdaptiveSampling(true);
  xAxis->setLabel(QStringLiteral("Время, сек"));
  xAxis->setTicker(ticker(21));
  yAxis->setTicker(ticker(11));
  xAxis->setRange(0, 1);
  setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  // Once the user has really dragged or zoomed, new points no longer move the view; a bare
  // click (or the right click of the menu) moves nothing and leaves it following them.
  for (QCPAxis* axis : {xAxis, yAxis})
    connect(axis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
      if (!settingView_) userView_ = true;
    });

  refreshTimer_.setSingleShot(true);
  refreshTimer_.setInterval(kRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &DiagramPlot::refresh);
  connect(
      &state_, &DiagramState::changed, this,
      [this](int which) {
        if (which == plot_ && !refreshTimer_.isActive()) refreshTimer_.start();
      },
      Qt::QueuedConnection);
}

void DiagramPlot::refresh() {
  const DiagramState::Points p = state_.pointsSince(plot_, drawn_);
  if (p.generation != generation_ || p.total < drawn_) {
    // Emptied since: start over with everything there is.
    line()->data()->clear();
    generation_ = p.generation;
    drawn_ = 0;
    userView_ = false;
    const DiagramState::Points all = state_.pointsSince(plot_, 0);
    line()->addData(all.x, all.y, true);
    drawn_ = all.total;
  } else {
    line()->addData(p.x, p.y, true);
    drawn_ = p.total;
  }
  axisMax_ = p.axisMax;
  if (!userView_) resetView();
  replot(QCustomPlot::rpQueuedReplot);
}

void DiagramPlot::resetView() {
  const QScopedValueRollback<bool> ours(settingView_, true);
  xAxis->setRange(0, axisMax_);
  yAxis->rescale();
  const QCPRange y = yAxis->range();
  // A little room above and below, so the marks of the highest and lowest points show whole.
  if (y.size() == 0)
    yAxis->setRange(y.lower - 1, y.upper + 1);
  else
    yAxis->setRange(y.lower - y.size() * 0.04, y.upper + y.size() * 0.04);
}

void DiagramPlot::mouseDoubleClickEvent(QMouseEvent* event) {
  QCustomPlot::mouseDoubleClickEvent(event);
  userView_ = false;
  resetView();
  replot();
}

bool DiagramPlot::savePoints(const QString& path) const {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QByteArray out = "время;значение\r\n";
  for (auto it = line()->data()->constBegin(); it != line()->data()->constEnd(); ++it)
    out +=
        QByteArray::number(it->key, 'f', 3) + ';' + QByteArray::number(it->value, 'g', 10) + "\r\n";
  return file.write(out) == out.size() && file.flush();
}

void DiagramPlot::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* png = menu.addAction(QStringLiteral("Сохранить рисунок (PNG)..."));
  QAction* csv = menu.addAction(QStringLiteral("Сохранить точки (CSV)..."));
  QAction* reset = menu.addAction(QStringLiteral("Показать всё"));
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == reset) {
    userView_ = false;
    resetView();
    replot();
    return;
  }
  if (chosen != png && chosen != csv) return;
  const bool asPng = chosen == png;
  QFileDialog dialog(this);
  prepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(asPng ? QStringLiteral("Рисунки PNG (*.png)")
                             : QStringLiteral("Файлы CSV (*.csv)"));
  dialog.setDefaultSuffix(asPng ? QStringLiteral("png") : QStringLiteral("csv"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().constFirst();
  const bool saved = asPng ? savePng(path) : savePoints(path);
  if (!saved)
    showMessageBox(this, QMessageBox::Critical, QStringLiteral("Ошибка"),
                   QStringLiteral("Не удалось сохранить файл %1").arg(path));
}
