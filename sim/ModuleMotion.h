#pragma once

#include <cstdint>
#include <optional>

#include "params/ModuleRegisters.h"

class ModuleModel;

// The drive the module moves: a push (register 8) or a pull (register 9) starts the motor, the
// end-position input the drive leaves drops at once, and after the travel time the other one
// rises and the motor stops. The control state (register 11) says 1 while the drive moves, 2
// when it has arrived, and 3 a moment later, when the busy register is back at 0 and the
// module takes the next command. Reset (register 10) stops a motion where it is.
//
// The end-position inputs follow the module's input map (register 76, read at each start):
// map 1 has the push end at 23 and the pull end at 24, any other map at 27 and 26. On a bench
// the inputs are wired from R16 instead: the drive then arrives only when its end input comes
// on from outside, and otherwise runs until a reset.
//
// While the motor runs its current (a debug value, see currentRegister()) shows a start-up peak
// that settles on a plateau, with a little noise; at rest it is 0. A 24 V motor draws more than
// a 220 V one (register 119; firmware without it drives a 220 V motor), and on a bench the
// supply relay decides. The module's protection trips when the settled current stays above its
// threshold (the last of the protection currents, motor table) for its trip time (the last of
// the protection times, timer table): the motor stops, the alarm flag 130 rises (inverted when
// register 131 is 0), register 55 holds the alarm code and the control state becomes 4. A short
// circuit on a running motor raises the alarm message at 51 at once. A reset clears both.
//
// The motion owns registers 8 to 11, 51, 55, 130 and the current register while it acts;
// everything else of the module stays as the tool or the console left it. Time is the caller's
// milliseconds, so a 3 s travel passes in a virtual-time test without sleeping.
class ModuleMotion {
 public:
  static constexpr uint32_t kDefaultTravelMs = 3000;
  // From arrival (state 2) to ready for the next command (state 3, busy register 0).
  static constexpr uint32_t kSettleMs = 300;
  // How long the reset register reads non-zero after a reset.
  static constexpr uint32_t kResetMs = 100;
  // The protection ignores the start-up peak for this long after a start.
  static constexpr uint32_t kInrushBlankMs = 400;
  // Motor current plateaus, mA; the start-up peak is about two and a half times as high.
  static constexpr uint16_t kPlateau24V = 600;
  static constexpr uint16_t kPlateau220V = 250;
  // A braked motor draws its stall current: this many times its plateau.
  static constexpr int kStallFactor = 6;
  static constexpr uint16_t kAlarmMessage = modulemap::AlarmMessage;
  static constexpr uint16_t kAlarmCode = modulemap::AlarmCode;
  static constexpr uint16_t kAlarmFlag = modulemap::AlarmFlag;
  static constexpr uint16_t kAlarmRelayLogic = modulemap::AlarmRelayLogic;

  enum class Phase { Rest, Moving, Arrived };

  // What the motor is wired to. Without a bench the module's own voltage type decides.
  struct Circuit {
    enum class Supply { ByVoltageType, None, V24, V220 };
    Supply supply = Supply::ByVoltageType;
    bool overload = false;  // the bench's brake on the motor
    bool shorted = false;   // the bench's short circuit across the motor
    // Faults of the unit under test, set from the console.
    int percentAt24V = 100;      // current drawn at 24 V, in per cent of the sound value
    bool protectionOff = false;  // the module never trips on overload
    bool shortAlarmOff = false;  // the module raises no alarm on a short circuit
  };

  // The debug register that carries the motor current (modulemap::motorCurrent).
  static uint16_t currentRegister(uint16_t firmwareVersion);

  // Off, the module only stores what is written to 8 to 10 and nothing moves by itself: for
  // tests that script the module's answers by hand.
  bool enabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; }

  uint32_t travelMs() const { return travelMs_; }
  void setTravelMs(uint32_t ms) { travelMs_ = ms; }

  // A command written over the bus: `reg` 8, 9 or 10, a non-zero value. A push or pull while
  // the drive moves or an alarm stands is refused silently, as the module does.
  void command(ModuleModel& module, uint16_t reg, uint32_t nowMs);
  // Brings the registers to `nowMs`: the arrival, a trip, the settling, the current.
  void advance(ModuleModel& module, uint32_t nowMs);

  // The console's alarm: control state 4 (the drive stops); off returns it to 0. A reset does
  // not clear it: it stands for a condition outside the module.
  void setAlarm(ModuleModel& module, bool on, uint32_t nowMs);
  bool alarm() const { return alarm_; }
  // A trip or a short-circuit alarm of the module's own, until a reset.
  bool alarmRaised() const { return raised_; }

  void setCircuit(ModuleModel& module, const Circuit& circuit, uint32_t nowMs);
  const Circuit& circuit() const { return circuit_; }
  // When false the end-position inputs are left to whoever drives them (a bench's wiring).
  void setDrivesEndInputs(bool drives) { drivesEndInputs_ = drives; }

  // Forgets any motion and alarm (a new module was plugged in); the travel time, the circuit
  // and the wiring stay.
  void forget();

  Phase phase() const { return phase_; }
  // The command register of the motion in progress (8 or 9), 0 at rest.
  uint16_t motionRegister() const { return phase_ == Phase::Rest ? 0 : busy_; }

 private:
  void start(ModuleModel& module, uint16_t reg, uint32_t nowMs);
  void stopMotor(ModuleModel& module);
  void raise(ModuleModel& module, uint16_t reg);
  void clearRaised(ModuleModel& module);
  // The settled current of the running motor, without noise.
  int plateau(const ModuleModel& module) const;
  uint16_t currentAt(const ModuleModel& module, uint32_t nowMs) const;
  // Starts or stops the protection's count from `fromMs` by the present current.
  void watchOverload(const ModuleModel& module, uint32_t fromMs);

  Phase phase_ = Phase::Rest;
  uint16_t busy_ = 0;        // 8 or 9 while a motion is under way
  uint16_t arriveReg_ = 0;   // the end-position input the drive makes for
  uint16_t currentReg_ = 0;  // where the current is written during this motion
  uint32_t startMs_ = 0;
  uint32_t arrivedMs_ = 0;
  std::optional<uint32_t> overSince_;  // the current above the threshold since
  bool resetting_ = false;
  uint32_t resetMs_ = 0;
  bool alarm_ = false;
  bool raised_ = false;
  uint32_t travelMs_ = kDefaultTravelMs;
  Circuit circuit_;
  bool drivesEndInputs_ = true;
  bool enabled_ = true;
};
