#include "app/ui/SidePanel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/ui/LinkIndicator.h"
#include "params/ui/ParameterGrid.h"

namespace {

QGroupBox* wrapInGroup(const QString& title, QWidget* content, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(content);
  return group;
}

}  // namespace

SidePanel::SidePanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Panel1"));
  setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  setFixedWidth(270);

  digInputs_ = ParameterGrid::makeGrid(QStringLiteral("StringGridDigInputs"), this);
  digOutputs_ = ParameterGrid::makeGrid(QStringLiteral("StringGridDigOutputs"), this);
  passDuration_ = new QLabel(this);
  passDuration_->setObjectName(QStringLiteral("Label12"));
  passDuration_->setToolTip(QStringLiteral("Длительность последнего цикла опроса модуля"));

  auto* linkGroup = new QGroupBox(this);
  auto* linkLayout = new QHBoxLayout(linkGroup);
  auto* linkLabel = new QLabel(QStringLiteral("Модуль на связи"), linkGroup);
  linkLamp_ = new LinkIndicator(linkGroup);
  linkLayout->addWidget(linkLabel);
  linkLayout->addStretch(1);
  linkLayout->addWidget(linkLamp_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(wrapInGroup(QStringLiteral("Дискретные входы"), digInputs_, this), 3);
  layout->addWidget(wrapInGroup(QStringLiteral("Дискретные выходы"), digOutputs_, this), 2);
  layout->addWidget(passDuration_);
  layout->addWidget(linkGroup);
}

void SidePanel::showPassDuration(int ms) {
  passDuration_->setText(QStringLiteral("Цикл опроса: %1 мс").arg(ms));
}
