#pragma once

#include <QWidget>

// The page "Ошибки": the module's error flags as they are read.
class ErrorsPage : public QWidget {
  Q_OBJECT
 public:
  explicit ErrorsPage(QWidget* parent = nullptr);
};
