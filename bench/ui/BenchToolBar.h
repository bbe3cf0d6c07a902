#pragma once

#include <QObject>
#include <QVector>

class QToolBar;
class QToolButton;
class BenchButtons;

// The check buttons of one bench tool bar (ToolBar2 on the test tab, ToolBar4 on the control
// tab): twelve module inputs "i1" .. "i12" and four D8R4 relays captioned from tp.ini
// [buttons_r4]. A click computes the bar's own word and hands it to `clicked`; the buttons
// follow the core's states when the worker changes them.
class BenchToolBar : public QObject {
  Q_OBJECT
 public:
  // `firstInput` and `firstRelay` number the buttons: ToolButton5 and ToolButton22 on ToolBar2,
  // ToolButton26 and ToolButton39 on ToolBar4.
  BenchToolBar(QToolBar* bar, BenchButtons& states, int firstInput, int firstRelay,
               const QStringList& relayCaptions);

  QToolButton* inputButton(int k) const { return inputs_.at(k); }  // k = 0 .. 11
  QToolButton* relayButton(int k) const { return relays_.at(k); }  // k = 0 .. 3

 signals:
  void inputsClicked(uint16_t pressed);
  void relaysClicked(uint8_t pressed);

 private:
  uint16_t pressedInputs() const;
  uint8_t pressedRelays() const;
  void showStates();

  BenchButtons& states_;
  QVector<QToolButton*> inputs_;
  QVector<QToolButton*> relays_;
};
