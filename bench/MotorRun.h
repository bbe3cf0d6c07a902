#pragma once

#include <QString>
#include <optional>

#include "bench/BenchContext.h"

// One motor run of the production test (runMotorRun): the module drives the bench motor in one
// direction at one supply voltage. Motor mode judges the last current against the coarse window
// (must hold) and the fine one (qualifies the verdict); overload mode runs 500 ms with test
// protection values and then judges the trip; short-circuit mode closes the short at the end
// and judges the alarm.
class MotorRun {
 public:
  enum class Mode { Motor = 0, Overload = 1, ShortCircuit = 2 };
  enum class Direction { Forward = 0, Backward = 1 };
  enum class Voltage { V24 = 0, V220 = 1 };

  explicit MotorRun(const BenchContext& ctx) : ctx_(ctx) {}

  bool run(Mode mode, Direction direction, Voltage voltage, const QString& title);
  // runShortCircuitCheck: closes the short on top of `supplyWord` and judges the alarm
  // message (register 51).
  bool runShortCircuitCheck(uint16_t supplyWord);

  static constexpr uint32_t kOverloadRunMs = 500;

  // The window row name of a run: "24В вперед ", "220В назад " and so on.
  static QString windowRowName(Direction direction, Voltage voltage);

 private:
  struct Window {
    int low = 0, high = 0;
    bool contains(int value) const { return low <= value && value <= high; }
  };
  Window window(int profile, const QString& row) const;
  // What one run is to do, as its settings give it.
  struct Plan {
    Mode mode;
    bool v24, forward;
    int runTime;  // milliseconds of driving
    Window fine, coarse;
    uint16_t supplyWord;  // the D8R4 word that supplies the motor
    QString title;
  };
  // The run's time, windows and (overload) test values; nothing when refused.
  std::optional<Plan> prepare(Mode mode, Direction direction, Voltage voltage,
                              const QString& title);
  // Permit, supply and voltage, end-position input, the command; false with its red row.
  bool startMotor(Plan& plan);
  // Samples the current until the run time is over; the last current, or nothing when an
  // alarm or "Стоп" ended the run.
  std::optional<int> driveMotor(const Plan& plan);
  // The motor mode's verdict on the last current, against the coarse and the fine window.
  bool judgeCurrent(const Plan& plan, int lastCurrent);
  // A red row; in overload mode the protection values go back.
  bool fail(Mode mode, const QString& text, bool bench);

  const BenchContext& ctx_;
};
