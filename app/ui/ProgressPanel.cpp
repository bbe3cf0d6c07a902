#include "app/ui/ProgressPanel.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ProgressPanel::ProgressPanel(QWidget* covered) : QFrame(covered) {
  setObjectName(QStringLiteral("Panel3"));
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setAutoFillBackground(true);
  setFixedSize(460, 140);

  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("Panel3Text"));
  label_->setAlignment(Qt::AlignCenter);
  QFont big = label_->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  label_->setFont(big);

  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("Panel3Count"));
  count_->setAlignment(Qt::AlignCenter);
  QFont countFont = count_->font();
  countFont.setPointSize(countFont.pointSize() + 2);
  count_->setFont(countFont);
  count_->hide();

  buttonStop_ = new QPushButton(QStringLiteral("Остановить"), this);
  buttonStop_->setObjectName(QStringLiteral("ButtonStopReadingLog"));
  buttonStop_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_, 1);
  layout->addWidget(count_);
  layout->addWidget(buttonStop_, 0, Qt::AlignHCenter);

  covered->installEventFilter(this);
  hide();
}

void ProgressPanel::showText(const QString& text) {
  setText(text);
  centre();
  raise();
  show();
}

void ProgressPanel::setText(const QString& text) { label_->setText(text); }

QString ProgressPanel::text() const { return label_->text(); }

void ProgressPanel::setCount(const QString& count) {
  count_->setText(count);
  count_->setVisible(!count.isEmpty());
}

QString ProgressPanel::count() const { return count_->text(); }

bool ProgressPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent() && event->type() == QEvent::Resize) centre();
  return QFrame::eventFilter(watched, event);
}

void ProgressPanel::centre() {
  const QWidget* covered = parentWidget();
  move((covered->width() - width()) / 2, (covered->height() - height()) / 2);
}
