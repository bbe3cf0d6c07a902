#pragma once

#include <QObject>

class QTableWidget;
class QWidget;
class ResultGrid;

// StringGridTest: draws the core result grid (told queued) with column 2 as a colour strip, red
// where the row failed, and keeps the last row in view.
class ResultGridView : public QObject {
  Q_OBJECT
 public:
  ResultGridView(QTableWidget* grid, ResultGrid& rows);

  static QTableWidget* makeGrid(QWidget* parent);

 private:
  void redrawFrom(int firstRow);

  QTableWidget* grid_;
  ResultGrid& rows_;
};
