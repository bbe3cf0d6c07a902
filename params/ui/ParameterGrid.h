#pragma once

#include <QObject>
#include <functional>

#include "params/ParameterTables.h"

class QTableWidget;
class QWidget;

// Keeps a two-column grid in step with one core table: rows and names when the tables are
// built, value texts when they are read. Lamp grids fill their value cells with a colour drawn
// from the registers last read instead of the number.
class ParameterGrid : public QObject {
  Q_OBJECT
 public:
  enum class Lamp { None, NonZeroLime, Bit0Red, NonZeroRedWhileOnline };

  ParameterGrid(QTableWidget* grid, ParameterTables& tables, ParameterTables::Id id,
                Lamp lamp = Lamp::None, std::function<bool()> online = {});

  // A two-column grid without headers: names in column 0, values in column 1.
  static QTableWidget* makeGrid(const QString& objectName, QWidget* parent);

  // Colour of a lamp cell, or an invalid colour where the cell shows its text.
  QColor lampColour(int row) const;

  // Lets the user edit the value column; what is typed goes straight into the core table.
  void setEditable();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void rebuild();
  void refreshValues();
  // Values get a fixed width; the names take the rest of the grid.
  void applyColumnWidths();

  QTableWidget* grid_;
  ParameterTables& tables_;
  ParameterTables::Id id_;
  Lamp lamp_;
  std::function<bool()> online_;
  bool refreshing_ = false;
};
