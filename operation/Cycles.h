#pragma once

#include <QString>
#include <cstdint>
#include <mutex>

#include "operation/CyclesState.h"
#include "operation/OperationContext.h"

// The handlers of the group (user-interface thread) and the state machine (worker).
class Cycles {
 public:
  explicit Cycles(const OperationContext& ctx);

  // Fills the edits' values from [cycles]; the texts the window puts into its edits.
  struct Settings {
    QString number, pause, noFeedbackTime;
    bool noFeedback = false;
  };
  Settings loadSettings() const;
  // EditCyclesChange / EditPauseChange: a whole number above 0 is taken and stored (true);
  // anything else changes nothing (false: the edit turns red).
  bool EditCyclesChange(const QString& text);
  bool EditPauseChange(const QString& text);
  // "Начать/Продолжить": false when the operation time is refused (its message shown).
  bool ButtonStartCyclesClick(const QString& noFeedbackTimeText);
  // "Остановить".
  void ButtonStopCyclesClick();
  // "Сброс циклов".
  void ButtonResetCyclesClick();

  // Worker, once at the end of every pass.
  void cyclesStep();

  static constexpr uint32_t kLinkWatchMs = 3000;

 private:
  // A pause of the run: the seconds so far carry over; the message holds the pass until
  // acknowledged. Called with the lock held; returns with it released.
  void pause(std::unique_lock<std::mutex>& lock, const QString& why, const QString& message);
  // Sends a command with the lock released.
  bool send(std::unique_lock<std::mutex>& lock, uint16_t reg);
  bool storePositive(const QString& text, int& field, const char* key);
  bool motionComplete(int elapsedMs, int motionSeconds, int feedbackRow);
  void enterStage(CyclesState::Stage stage, CyclesState::Field field, uint32_t now);
  void journal(const QString& text) const;

  OperationContext ctx_;
  CyclesState& s_;
};
