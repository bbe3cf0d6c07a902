#include "params/ui/ErrorsPage.h"

#include <QGroupBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "params/ui/ParameterGrid.h"

ErrorsPage::ErrorsPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetFirm"));
  auto* group = new QGroupBox(QStringLiteral("Ошибки"), this);
  errors_ = ParameterGrid::makeGrid(QStringLiteral("StringGridErrors"), group);
  errors_->setColumnWidth(0, 300);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(errors_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  group->setMaximumWidth(420);
}
