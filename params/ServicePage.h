#pragma once

#include <QWidget>

class QTableWidget;

// The page "Служебные": service parameter tables and the debug values.
class ServicePage : public QWidget {
  Q_OBJECT
 public:
  explicit ServicePage(QWidget* parent = nullptr);
  QTableWidget* stringGridDebug() const { return debug_; }

 private:
  QTableWidget* debug_;
};
