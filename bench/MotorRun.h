#pragma once

#include <QString>

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
  // A red row; in overload mode the protection values go back.
  bool fail(Mode mode, const QString& text, bool bench);

  const BenchContext& ctx_;
};
