#include "app/ui/LinkIndicator.h"

#include <QPainter>

const QColor LinkIndicator::kOnlineColor(0, 255, 0);
// Stands in for the system's inactive-caption colour, which toolkits no longer expose.
const QColor LinkIndicator::kOfflineColor(160, 160, 160);

LinkIndicator::LinkIndicator(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Shape1"));
  setFixedSize(25, 25);
}

void LinkIndicator::setOnline(bool online) {
  if (online == online_) return;
  online_ = online;
  update();
}

QColor LinkIndicator::color() const { return online_ ? kOnlineColor : kOfflineColor; }

void LinkIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(color());
  painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}
