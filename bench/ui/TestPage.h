#pragma once

#include <QWidget>
#include <array>

#include "bench/TestSettings.h"

class DiagramState;
class DiagramPlot;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolBar;

// The page "Испытания": the production test on the bench. The bench tool bar, the settings
// edits and the output codes, the result grid, the unit's serial number and the operator with
// "Старт", "Стоп" and "Протоколы", and the plot of the final motor test.
class TestPage : public QWidget {
  Q_OBJECT
 public:
  // The page's plot (PlotDiag) draws the test plot of `diagram`.
  explicit TestPage(DiagramState& diagram, QWidget* parent = nullptr);

  // The debug value plotted during the test: item i is debug register 256 + i.
  QComboBox* comboBoxTestDiag() const { return testDiag_; }
  QCheckBox* checkBoxDiagByTest() const { return diagByTest_; }
  DiagramPlot* plotDiag() const { return plotDiag_; }  // PlotDiag with Line2

  QToolBar* benchToolBar() const { return benchToolBar_; }  // ToolBar2
  QLineEdit* edit(TestSettings::Edit e) const { return edits_[size_t(e)]; }
  QTableWidget* stringGridCodes() const { return codes_; }
  QTableWidget* stringGridTest() const { return results_; }
  // "Заводской номер": typed or scanned; it may stay empty.
  QLineEdit* editSerial() const { return serial_; }
  // "Оператор": who tests; kept in tp.ini from one run to the next.
  QLineEdit* editOperator() const { return operator_; }
  // "Протоколы": the history of the runs.
  QPushButton* buttonProtocols() const { return protocols_; }
  QPushButton* buttonStart() const { return start_; }
  QLabel* stepProgress() const { return stepProgress_; }
  QPushButton* buttonStop() const { return stop_; }
  QPushButton* buttonReset() const { return reset_; }
  QPushButton* button24V() const { return v24_; }
  QPushButton* button220V() const { return v220_; }
  QPushButton* buttonCurrentWindow() const { return currentWindow_; }
  QPushButton* buttonSteps() const { return steps_; }

 signals:
  // TabSheetTestShow
  void shown();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* settingsPanel();

  QComboBox* testDiag_;
  QLabel* stepProgress_;
  QCheckBox* diagByTest_;
  DiagramPlot* plotDiag_;
  QToolBar* benchToolBar_;
  std::array<QLineEdit*, TestSettings::EditCount> edits_{};
  QTableWidget* codes_;
  QTableWidget* results_;
  QLineEdit* serial_;
  QLineEdit* operator_;
  QPushButton* protocols_;
  QPushButton* start_;
  QPushButton* stop_;
  QPushButton* reset_;
  QPushButton* v24_;
  QPushButton* v220_;
  QPushButton* currentWindow_;
  QPushButton* steps_;
};
