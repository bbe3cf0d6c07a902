#pragma once

#include <QDialog>

#include "params/ComparisonExchange.h"

class QLabel;
class QPushButton;
class QTableWidget;

// The differences between the module and a parameter file, one row per register: table, name,
// register, value in the module, value in the file. "Записать отличия" accepts the dialog (the
// caller then has exactly these rows written), "Закрыть" rejects it. With nothing to show it
// says so and offers only "Закрыть".
class ParameterComparisonDialog : public QDialog {
  Q_OBJECT
 public:
  // `unwrittenValues`: values typed into the main tab's tables and not written; the comparison
  // is of the module, so the dialog says they are not in it.
  ParameterComparisonDialog(const QString& file, const ParameterDifferences& rows,
                            int unwrittenValues, QWidget* parent = nullptr);

  QLabel* labelFile() const { return file_; }
  QLabel* labelResult() const { return result_; }
  QLabel* labelUnwritten() const { return unwritten_; }
  QTableWidget* stringGridDifferences() const { return grid_; }
  QPushButton* buttonWriteDifferences() const { return write_; }
  QPushButton* buttonClose() const { return close_; }

 private:
  void fill(const ParameterDifferences& rows);

  QLabel* file_;
  QLabel* result_;
  QLabel* unwritten_;
  QTableWidget* grid_;
  QPushButton* write_;
  QPushButton* close_;
};
