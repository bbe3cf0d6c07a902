#include "app/ui/ToolIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 48;  // drawn large, scaled down by the tool bar

QPixmap canvas() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void arrow(QPainter& p, int y, bool right, const QColor& colour) {
  const int tail = right ? 6 : kSize - 6, head = right ? kSize - 6 : 6;
  const int back = right ? -12 : 12;
  p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(tail, y, head, y);
  QPainterPath tip;
  tip.moveTo(head + back, y - 9);
  tip.lineTo(head, y);
  tip.lineTo(head + back, y + 9);
  p.drawPath(tip);
}

}  // namespace

QIcon toolicons::exchange() {
  QPixmap pixmap = canvas();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  arrow(p, 15, true, QColor(0, 90, 170));
  arrow(p, 33, false, QColor(0, 140, 60));
  return QIcon(pixmap);
}

QIcon toolicons::font() {
  QPixmap pixmap = canvas();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont letter(QStringLiteral("Times New Roman"));
  letter.setPixelSize(40);
  letter.setBold(true);
  p.setFont(letter);
  p.setPen(QColor(40, 40, 40));
  p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Аа"));
  return QIcon(pixmap);
}
