#pragma once

#include <QString>
#include <cstdint>
#include <mutex>

#include "core/SettingKey.h"

#include "operation/CyclesState.h"
#include "operation/OperationContext.h"

// The endurance run of the group "Циклы": what its edits and buttons do (user-interface thread)
// and the state machine (worker).
class Cycles {
 public:
  explicit Cycles(const OperationContext& ctx);

  // Fills the edits' values from [cycles]; the texts the window puts into its edits.
  struct Settings {
    QString number, pause, noFeedbackTime;
    bool noFeedback = false;
  };
  Settings loadSettings() const;
  // Takes the numbers of settings just loaded, without writing them back.
  void takeSettings(const Settings& settings);
  // EditCyclesChange / EditPauseChange: a whole number above 0 is taken and stored (true);
  // anything else changes nothing (false: the edit turns red).
  bool setCyclesNumber(const QString& text);
  bool setPause(const QString& text);
  // "Начать/Продолжить" (ButtonStartCyclesClick): false when the operation time is refused (its
  // message shown).
  bool startOrContinue(const QString& noFeedbackTimeText);
  // "Остановить" (ButtonStopCyclesClick).
  void stop();
  // "Сброс циклов" (ButtonResetCyclesClick).
  void reset();

  // Worker, once at the end of every pass; without an open port only the link watch runs.
  void cyclesStep(bool portOpen = true);

  static constexpr uint32_t kLinkWatchMs = 3000;

 private:
  // A pause of the run: the seconds so far carry over; the message holds the pass until
  // acknowledged. Called with the lock held; returns with it released.
  void pause(std::unique_lock<std::mutex>& lock, const QString& why, const QString& message);
  // Sends a command with the lock released; false when the user stopped or reset the run, or
  // it changed stage, meanwhile.
  bool send(std::unique_lock<std::mutex>& lock, uint16_t reg);
  // The run state and its status text, drawn together.
  void setRun(CyclesState::Run run);
  // false once the link has been lost for kLinkWatchMs.
  bool watchLink(uint32_t now);
  // One stage of the running state machine; true when the last cycle has just ended.
  bool evaluateStage(std::unique_lock<std::mutex>& lock, uint32_t now, int controlState);
  // The end of the run: stopped at once, then its message. Returns with the lock released.
  void finishRun(std::unique_lock<std::mutex>& lock);
  // A whole number the key accepts is taken into `field` and stored; false for anything else.
  bool store(const QString& text, int& field, const SettingKey& key);
  bool motionComplete(int elapsedMs, int motionSeconds, int feedbackRow);
  void enterStage(CyclesState::Stage stage, CyclesState::Field field, uint32_t now);
  void journal(const QString& text) const;

  OperationContext ctx_;
  CyclesState& s_;
};
