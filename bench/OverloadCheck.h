#pragma once

#include <cstdint>

#include <QString>

#include "bench/BenchContext.h"

class TestSettings;

// The overload step's module side: the module's protection values saved and replaced by test
// values so that it trips quickly at a known current, the trip judged with the overload load
// switched in, and the saved values put back. The test values never stay in the module: every
// end of a test restores them while OverloadSaved::inModule is set (see abortTest).
class OverloadCheck {
 public:
  explicit OverloadCheck(const BenchContext& ctx) : ctx_(ctx) {}

  // Saves the first N protection times and currents and the attempt count (N = 3 from firmware
  // 200 on, 4 before), then writes T, T(, T), ovTime and rms - 300, rms - 200(, rms - 100), rms
  // with T = ovTime + motTime + 2000, and 0 attempts.
  bool loadOverloadValues();
  // Writes the saved values back; a failure is a red row and skips what follows.
  bool restoreBlockValues();
  // Switches the overload load in on top of `supplyWord` and judges the trip by the alarm code.
  bool runOverloadCheck(uint16_t supplyWord);

  // The smallest EditOvRms the thresholds can be derived from without wrapping.
  static constexpr int kMinRms = 300;
  // Added to the overload and run times for the time values before the last.
  static constexpr int kTripMarginMs = 2000;
  // Why the test values cannot be derived from the settings (a red row), or empty: each must
  // fit its 16-bit register as it is, not cut to its low bits.
  static QString settingsRefusal(const TestSettings& settings);

 private:
  enum class Trip { Tripped, Missed, Stopped };
  // Polls the current and the alarm flag until the module trips, `timeout` ms pass or "Стоп".
  Trip waitForTrip(uint32_t timeout, uint32_t* tripMs);
  // Reads the alarm code after the load is off: its row in the grid and the record; true when
  // the module reports an alarm.
  bool judgeAlarmCode(const QString& step);
  bool writeBlock(uint16_t first, const uint16_t* values, int count);
  bool writeOne(uint16_t reg, uint16_t value);
  // A red row, then false.
  bool fail(const QString& text);

  const BenchContext& ctx_;
};
