#pragma once

#include <QObject>

#include "params/ParameterState.h"

class QPushButton;
class QWidget;

// "Сравнить с файлом..." on the main tab: a file dialog, then the worker compares the module
// with the file; its findings come back in ParameterComparisonDialog, whose "Записать отличия"
// hands exactly those rows back to the worker to write. The window never waits for the bus.
class ParameterComparisonAction : public QObject {
  Q_OBJECT
 public:
  ParameterComparisonAction(QWidget* window, const ParameterContext& ctx, QPushButton* button);

  // The file dialog; a chosen file raises the comparison request.
  void ButtonCompareProfileClick();

 private:
  void served(int request, bool ok);
  void showDifferences();

  QWidget* window_;
  ParameterContext ctx_;
};
