#pragma once

#include <QWidget>

class QComboBox;

// The page "Испытания": the production test on the bench.
class TestPage : public QWidget {
  Q_OBJECT
 public:
  explicit TestPage(QWidget* parent = nullptr);

  // The debug value plotted during the test: item i is debug register 256 + i.
  QComboBox* comboBoxTestDiag() const { return testDiag_; }

 private:
  QComboBox* testDiag_;
};
