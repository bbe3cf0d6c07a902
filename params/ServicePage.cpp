#include "params/ServicePage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QTableWidget>
#include <QVBoxLayout>

#include "params/ParamGrid.h"

ServicePage::ServicePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetService"));
  auto* group = new QGroupBox(QStringLiteral("Отладочные параметры"), this);
  debug_ = ParamGrid::makeGrid(QStringLiteral("StringGridDebug"), group);
  debug_->setColumnWidth(0, 260);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(debug_);
  group->setMaximumWidth(380);
  auto* layout = new QHBoxLayout(this);
  layout->addStretch(1);
  layout->addWidget(group);
}
