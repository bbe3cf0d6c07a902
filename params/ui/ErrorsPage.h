#pragma once

#include <QWidget>

class QTableWidget;

// The page "Ошибки": the module's error flags as lamps.
class ErrorsPage : public QWidget {
  Q_OBJECT
 public:
  explicit ErrorsPage(QWidget* parent = nullptr);
  QTableWidget* stringGridErrors() const { return errors_; }

 private:
  QTableWidget* errors_;
};
