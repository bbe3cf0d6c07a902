#pragma once

#include <QWidget>

// The page "Основные": the parameter tables of the module, parameter files, profiles and the motor
// voltage.
class MainPage : public QWidget {
  Q_OBJECT
 public:
  explicit MainPage(QWidget* parent = nullptr);
};
