#include "operation/DiagramPage.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

DiagramPage::DiagramPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet1"));

  plot1_ = new QCustomPlot(this);
  plot1_->setObjectName(QStringLiteral("Plot1"));
  plot1_->xAxis->setLabel(QStringLiteral("Время, сек"));

  resetDiagManually_ = new QCheckBox(QStringLiteral("Очищать вручную"), this);
  resetDiagManually_->setObjectName(QStringLiteral("CheckBoxResetDiagManually"));

  parsDiag_ = new QComboBox(this);
  parsDiag_->setObjectName(QStringLiteral("ComboBoxParsDiag"));
  parsDiag_->setMinimumContentsLength(24);

  auto* controls = new QHBoxLayout;
  controls->addWidget(parsDiag_);
  controls->addWidget(resetDiagManually_);
  controls->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(plot1_, 1);
  layout->addLayout(controls);
}
