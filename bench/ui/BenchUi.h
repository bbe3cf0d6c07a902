#pragma once

#include <QObject>

#include "bench/BenchContext.h"

class QTimer;
class QToolBar;
class QWidget;
class BenchToolBar;
class TestPage;
class CurrentWindowsDialog;
class TestStepsDialog;
class ProtocolsWindow;

// The bench's windows tied to the core: the test tab (settings, result grid, plot, "Старт",
// "Стоп", "Сброс", "24В", "220В", the dialogs) and the bench tool bar of the control tab. The
// handlers only set request flags, settings texts and the stop flag; the worker does the rest
// and the views draw what it tells them.
class BenchUi : public QObject {
  Q_OBJECT
 public:
  BenchUi(const BenchContext& ctx, TestPage* page, QToolBar* controlTabToolBar, QWidget* window);

  BenchToolBar* testTabButtons() const { return testTabBar_; }
  BenchToolBar* controlTabButtons() const { return controlTabBar_; }
  CurrentWindowsDialog* currentWindowDialog() const { return currentWindow_; }
  TestStepsDialog* stepsDialog() const { return steps_; }
  ProtocolsWindow* protocolsWindow() const { return protocols_; }

 public slots:
  void TabSheetTestShow();
  void ButtonStartClick();
  void ButtonStopClick();
  void ButtonResetClick();
  void Button24VClick();
  void Button220VClick();
  void ButtonCurrentWindowClick();
  void ButtonStepsClick();
  void ButtonProtocolsClick();

 private:
  void connectSettings();
  void showSettings();
  void showRunning();
  // ToolButton5Click / ToolButton26Click, ToolButton22Click / ToolButton39Click
  void inputsClicked(uint16_t pressed);
  void relaysClicked(uint8_t pressed);

  BenchContext ctx_;
  TestPage* page_;
  BenchToolBar* testTabBar_;
  BenchToolBar* controlTabBar_;
  CurrentWindowsDialog* currentWindow_;
  TestStepsDialog* steps_;
  ProtocolsWindow* protocols_;
  QTimer* runningWatch_;
  bool showingSettings_ = false;
};
