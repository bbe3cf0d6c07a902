#pragma once

#include <QObject>

class QTableWidget;
class QWidget;
class ResultGrid;

// StringGridTest: draws the core result grid (told queued). Row 0 of the core, the headers,
// stands in the grid's fixed header, so it stays in view however far the rows scroll; the
// step column is as wide as its longest text; the state column takes the room that is left;
// column 2 is a colour strip, red where the row failed (column 3, the verdict it is painted
// from, is not shown). While a run writes, its current row is selected and the last row kept
// in view; between runs no row is selected and the empty row the run left is not shown.
class ResultGridView : public QObject {
  Q_OBJECT
 public:
  ResultGridView(QTableWidget* grid, ResultGrid& rows);

  static QTableWidget* makeGrid(QWidget* parent);

 private:
  void redrawFrom(int firstRow);
  // Widens the step column to `text` and keeps the grid from being squeezed below it.
  void fitStep(const QString& text);

  QTableWidget* grid_;
  ResultGrid& rows_;
};
