#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "sim/DebugDrift.h"

class Clock;
class FaultPlan;
class SimBus;

// The commands typed into tarvix-sim's terminal: put the simulated module into any state while
// the tool polls it (inputs, errors, outputs, debug values, control state, another firmware, a
// pulled cable or USB adapter, faults on the line). Every command is carried out under the bus
// lock, so the thread serving the line never sees half of a change. execute() returns the reply
// text, one line for every command but help and status.
class SimConsole {
 public:
  // The bus's devices run on `clock` from here on, as the console's own commands do.
  SimConsole(SimBus& bus, Clock& clock);

  QString execute(const QString& line);

  // Moves a motion and drifting debug values on to the clock's present time; tarvix-sim calls
  // it a few times a second.
  void tick();

  bool quitRequested() const { return quitRequested_; }

  // What `unplug` and `plug` do to the USB adapter the module is reached through: pull it out
  // (true) or put it back (false); the reply text, "? ..." when it cannot. Without one (the
  // module in-process, no pseudo-terminal) the two commands say so.
  using Adapter = std::function<QString(bool pullOut)>;
  void setAdapter(Adapter adapter) { adapter_ = std::move(adapter); }

  static QString helpText();
  // Adds the rule "KIND" (every reply) or "KIND:RATE" (RATE 0..1; 0 adds none) to the plan;
  // false when the text names no fault kind or rate.
  static bool addFault(FaultPlan& plan, const QString& rule);

 private:
  QString dispatch(const QString& command, const QStringList& args);
  QString setRegister(const QStringList& args);
  QString getRegister(const QStringList& args);
  QString input(const QStringList& args);
  QString error(const QStringList& args);
  QString output(const QStringList& args);
  QString debug(const QStringList& args);
  QString state(const QStringList& args);
  QString firmware(const QStringList& args);
  QString password(const QStringList& args);
  QString cable(const QStringList& args);
  QString echo(const QStringList& args);
  QString adapter(bool pullOut);
  QString fault(const QStringList& args);
  QString driftCommand(const QStringList& args);
  // The event log and the clock (SimConsoleLog.cpp).
  QString logCommand(const QStringList& args);
  QString damage(const QStringList& args);
  QString clockCommand(const QStringList& args);
  QString travel(const QStringList& args);
  QString alarm(const QStringList& args);
  QString status() const;

  SimBus& bus_;
  Clock& clock_;
  DebugDrift drift_;
  Adapter adapter_;
  bool quitRequested_ = false;
};
