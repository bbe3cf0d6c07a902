#pragma once

#include <QWidget>

// The page "Журнал и время": the module's event log and clock.
class LogTimePage : public QWidget {
  Q_OBJECT
 public:
  explicit LogTimePage(QWidget* parent = nullptr);
};
