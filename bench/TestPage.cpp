#include "bench/TestPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TestPage::TestPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetTest"));
  testDiag_ = new QComboBox(this);
  testDiag_->setObjectName(QStringLiteral("ComboBoxTestDiag"));
  testDiag_->setMinimumContentsLength(24);
  auto* row = new QHBoxLayout;
  row->addWidget(testDiag_);
  row->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch(1);
  layout->addLayout(row);
}
