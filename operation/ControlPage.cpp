#include "operation/ControlPage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

ControlPage::ControlPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetControl"));

  toolBar4_ = new QToolBar(this);
  toolBar4_->setObjectName(QStringLiteral("ToolBar4"));
  buttonConnect_ = new QPushButton(QStringLiteral("Параметры связи модуля"), this);
  buttonConnect_->setObjectName(QStringLiteral("ButtonConnect"));

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(buttonConnect_);
  buttonRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(toolBar4_);
  layout->addLayout(buttonRow);
  layout->addStretch(1);
}
