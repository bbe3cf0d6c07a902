#pragma once

#include <QWidget>

#include "operation/OperationContext.h"

class DiagramPlot;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The page "Диаграмма": one debug value of the module plotted against time during each motion.
class DiagramPage : public QWidget {
  Q_OBJECT
 public:
  explicit DiagramPage(const OperationContext& ctx, QWidget* parent = nullptr);

  DiagramPlot* plot() const { return plot_; }  // Plot1 with Line1
  QCheckBox* checkBoxDiag() const { return drawing_; }
  // Kept in mem.ini as measure/reset_diag.
  QCheckBox* checkBoxResetDiagManually() const { return resetDiagManually_; }
  // The debug value plotted: item i is debug register 256 + i.
  QComboBox* comboBoxParsDiag() const { return parsDiag_; }
  QLabel* valueText() const { return valueText_; }  // the last sample
  QPushButton* buttonResetDiag() const { return resetDiag_; }

 private:
  void ButtonResetDiagClick();

  OperationContext ctx_;
  DiagramPlot* plot_;
  QCheckBox* drawing_;
  QComboBox* parsDiag_;
  QLabel* valueText_;
  QCheckBox* resetDiagManually_;
  QPushButton* resetDiag_;
};
