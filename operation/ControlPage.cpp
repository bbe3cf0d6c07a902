#include "operation/ControlPage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

ControlPage::ControlPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetControl"));

  toolBar4_ = new QToolBar(this);
  toolBar4_->setObjectName(QStringLiteral("ToolBar4"));
  buttonConnect_ = new QPushButton(QStringLiteral("Параметры связи модуля"), this);
  buttonConnect_->setObjectName(QStringLiteral("ButtonConnect"));

  staticText3_ = new QLabel(this);
  staticText3_->setObjectName(QStringLiteral("StaticText3"));
  staticText2_ = new QLabel(this);
  staticText2_->setObjectName(QStringLiteral("StaticText2"));
  for (QLabel* text : {staticText3_, staticText2_})
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* stateForm = new QFormLayout;
  stateForm->addRow(QStringLiteral("Выполняется команда"), staticText3_);
  stateForm->addRow(QStringLiteral("Состояние"), staticText2_);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(buttonConnect_);
  buttonRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(toolBar4_);
  layout->addLayout(stateForm);
  layout->addLayout(buttonRow);
  layout->addStretch(1);
}
