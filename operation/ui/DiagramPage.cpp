#include "operation/ui/DiagramPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Clock.h"
#include "operation/ui/DiagramPlot.h"

DiagramPage::DiagramPage(const OperationContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("TabSheet1"));
  DiagramState& diagram = ctx_.state.diagram;

  plot_ = new DiagramPlot(diagram, DiagramState::Main, this);
  plot_->setObjectName(QStringLiteral("Plot1"));
  plot_->line()->setName(QStringLiteral("Line1"));

  drawing_ = new QCheckBox(QStringLiteral("Рисовать диаграмму"), this);
  drawing_->setObjectName(QStringLiteral("CheckBoxDiag"));
  parsDiag_ = new QComboBox(this);
  parsDiag_->setObjectName(QStringLiteral("ComboBoxParsDiag"));
  parsDiag_->setMinimumContentsLength(24);
  valueText_ = new QLabel(this);
  valueText_->setObjectName(QStringLiteral("StaticText4"));
  valueText_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  valueText_->setMinimumWidth(
      valueText_->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
  resetDiagManually_ = new QCheckBox(QStringLiteral("Очищать вручную"), this);
  resetDiagManually_->setObjectName(QStringLiteral("CheckBoxResetDiagManually"));
  resetDiag_ = new QPushButton(QStringLiteral("Очистить"), this);
  resetDiag_->setObjectName(QStringLiteral("ButtonResetDiag"));

  auto* controls = new QHBoxLayout;
  controls->addWidget(drawing_);
  controls->addWidget(parsDiag_);
  controls->addWidget(valueText_);
  controls->addWidget(resetDiagManually_);
  controls->addWidget(resetDiag_);
  controls->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(plot_, 1);
  layout->addLayout(controls);

  connect(drawing_, &QCheckBox::toggled, this, [&diagram](bool on) { diagram.drawing = on; });
  connect(resetDiagManually_, &QCheckBox::toggled, this,
          [&diagram](bool on) { diagram.clearManually = on; });
  connect(resetDiag_, &QPushButton::clicked, this, &DiagramPage::ButtonResetDiagClick);
  connect(
      &diagram, &DiagramState::changed, this,
      [this](int plot) {
        const int value = ctx_.state.diagram.lastValue;
        if (plot == DiagramState::Main && value >= 0) valueText_->setText(QString::number(value));
      },
      Qt::QueuedConnection);
}

void DiagramPage::ButtonResetDiagClick() {
  DiagramState& diagram = ctx_.state.diagram;
  diagram.clear(DiagramState::Main);
  diagram.startTick = ctx_.link().clock.tick();
}
