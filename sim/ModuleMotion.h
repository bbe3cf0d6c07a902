#pragma once

#include <cstdint>

class ModuleModel;

// The drive the module moves: a push (register 8) or a pull (register 9) starts the motor, the
// end-position input the drive leaves drops at once, and after the travel time the other one
// rises and the motor stops. The control state (register 11) says 1 while the drive moves, 2
// when it has arrived, and 3 a moment later, when the busy register is back at 0 and the
// module takes the next command. Reset (register 10) stops a motion where it is.
//
// The end-position inputs follow the module's input map (register 76, read at each start):
// map 1 has the push end at 23 and the pull end at 24, any other map at 27 and 26.
//
// While the motor runs its current (a debug value, see currentRegister()) shows a start-up peak
// that settles on a plateau, with a little noise; at rest it is 0. A 24 V motor draws more than
// a 220 V one (register 119; firmware without it drives a 220 V motor).
//
// The motion owns registers 8 to 11 and the current register while it runs; everything else
// of the module stays as the tool or the console left it. Time is the caller's milliseconds,
// so a 3 s travel passes in a virtual-time test without sleeping.
class ModuleMotion {
 public:
  static constexpr uint32_t kDefaultTravelMs = 3000;
  // From arrival (state 2) to ready for the next command (state 3, busy register 0).
  static constexpr uint32_t kSettleMs = 300;
  // How long the reset register reads non-zero after a reset.
  static constexpr uint32_t kResetMs = 100;
  // Motor current plateaus, mA; the start-up peak is about two and a half times as high.
  static constexpr uint16_t kPlateau24V = 1500;
  static constexpr uint16_t kPlateau220V = 400;

  enum class Phase { Rest, Moving, Arrived };

  // The debug register that carries the motor current: 264 from firmware 200 on, 259 before.
  static uint16_t currentRegister(uint16_t firmwareVersion);

  uint32_t travelMs() const { return travelMs_; }
  void setTravelMs(uint32_t ms) { travelMs_ = ms; }

  // A command written over the bus: `reg` 8, 9 or 10, a non-zero value. A push or pull while
  // the drive moves or the alarm stands is refused silently, as the module does.
  void command(ModuleModel& module, uint16_t reg, uint32_t nowMs);
  // Brings the registers to `nowMs`: the arrival, the settling, the current.
  void advance(ModuleModel& module, uint32_t nowMs);

  // The console's alarm: control state 4 (the drive stops); off returns it to 0.
  void setAlarm(ModuleModel& module, bool on, uint32_t nowMs);
  bool alarm() const { return alarm_; }

  // Forgets any motion (a new module was plugged in); the travel time stays.
  void forget();

  Phase phase() const { return phase_; }
  // The command register of the motion in progress (8 or 9), 0 at rest.
  uint16_t motionRegister() const { return phase_ == Phase::Rest ? 0 : busy_; }

  // Extra current while the motor runs, mA (a load the bench connects); 0 by default.
  void setExtraLoadMa(uint16_t ma) { extraLoadMa_ = ma; }
  // When false the end-position inputs are left to whoever drives them (a bench's wiring).
  void setDrivesEndInputs(bool drives) { drivesEndInputs_ = drives; }

 private:
  void start(ModuleModel& module, uint16_t reg, uint32_t nowMs);
  void stopMotor(ModuleModel& module);
  uint16_t currentAt(const ModuleModel& module, uint32_t nowMs) const;

  Phase phase_ = Phase::Rest;
  uint16_t busy_ = 0;        // 8 or 9 while a motion is under way
  uint16_t arriveReg_ = 0;   // the end-position input the drive makes for
  uint16_t currentReg_ = 0;  // where the current is written during this motion
  uint32_t startMs_ = 0;
  uint32_t arrivedMs_ = 0;
  bool resetting_ = false;
  uint32_t resetMs_ = 0;
  bool alarm_ = false;
  uint32_t travelMs_ = kDefaultTravelMs;
  uint16_t extraLoadMa_ = 0;
  bool drivesEndInputs_ = true;
};
