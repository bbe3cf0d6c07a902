#pragma once

#include <QWidget>

// The page "Служебные": service parameter tables and the debug values.
class ServicePage : public QWidget {
  Q_OBJECT
 public:
  explicit ServicePage(QWidget* parent = nullptr);
};
