#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QCustomPlot;

// The page "Диаграмма": one debug value of the module plotted against time during each motion.
class DiagramPage : public QWidget {
  Q_OBJECT
 public:
  explicit DiagramPage(QWidget* parent = nullptr);

  QCustomPlot* plot1() const { return plot1_; }
  // Kept in mem.ini as measure/reset_diag.
  QCheckBox* checkBoxResetDiagManually() const { return resetDiagManually_; }
  // The debug value plotted: item i is debug register 256 + i.
  QComboBox* comboBoxParsDiag() const { return parsDiag_; }

 private:
  QCustomPlot* plot1_;
  QCheckBox* resetDiagManually_;
  QComboBox* parsDiag_;
};
