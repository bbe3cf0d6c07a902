#pragma once

#include <QDateTime>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "bench/BenchButtons.h"
#include "bench/ResultGrid.h"
#include "bench/TestRecord.h"
#include "bench/TestReport.h"
#include "bench/TestSettings.h"

// The module's protection values as they were before the overload test replaced them, from
// the load until they are back in the module.
struct OverloadSaved {
  int count = 0;  // N: 3 from firmware 200 on, 4 before
  std::array<uint16_t, 4> times{};
  std::array<uint16_t, 4> currents{};
  uint16_t attempts = 0;
  // The module may hold test values: set before the first write of a load, cleared by a
  // restore that succeeded. Every end of a test restores while it is set, and no load saves
  // anew while it is set and the module still shows these values or the test values.
  bool inModule = false;
  // The test values the last load wrote (the attempt count is always 0).
  std::array<uint16_t, 4> testTimes{};
  std::array<uint16_t, 4> testCurrents{};
};

// The unit's motor voltage type (register 119) over one run: the motor runs change it, and
// every end of the run writes back the type found before the first change.
struct MotorTypeSaved {
  int found = -1;        // as the run found it; -1 until read
  int held = -1;         // as the module holds it, as far as the run knows; -1 unknown
  bool changed = false;  // a motor run asked for another type: the found one goes back
};

// What the test bench keeps for the whole run.
struct BenchState {
  TestSettings settings;
  ResultGrid grid;
  BenchButtons testTabButtons;     // ToolBar2, on the test tab
  BenchButtons controlTabButtons;  // ToolBar4, on the control tab
  std::atomic_bool fineWindowKept{true};
  std::atomic_bool plotFinalRun{false};
  OverloadSaved overload;    // the worker's alone
  MotorTypeSaved motorType;  // the worker's alone
  TestRecord record;
  // Where the report of a run goes: empty for a new file in reports/ beside tp.ini. Set before
  // a run starts (tarvix-cli --report).
  QString reportFile;
  // Writes a run's protocol as PDF to the path given; without it a run leaves its CSV alone.
  // The window and tarvix-cli install TestProtocol::write (its fonts need the GUI application,
  // which the core's tests go without). Set before the worker starts.
  std::function<TestReport::SavedFile(const TestRecord::Data& run, const QString& path)>
      writeProtocol;
  // Told on the worker when a run's report has been written (its path; empty when it could
  // not be) and of the run's outcome.
  std::function<void(const QString& path, const TestRecord::Data& run)> onConcluded;
  // Wall-clock time for the reports; tests fix it.
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};
