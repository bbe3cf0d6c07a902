#pragma once

#include <QString>

#include "bench/BenchContext.h"
#include "bench/TestRecord.h"

// How a production test run ends, whichever way: the stop routine of the steps, and the
// record of the run (its report in reports/ and the session journal).

// abortTest: resets the bench and the module, puts the protection values back if the module
// may hold test values, clears testRunning, records the run, shows the box and switches the
// poll timer back on. Always true; the caller then returns failure.
bool abortTest(const BenchContext& ctx, const QString& text, const QString& caption);

// Puts the saved protection values back if the module may still hold test values; false when
// they could not be (a red row says so).
bool ensureProtectionRestored(const BenchContext& ctx);
// The line the closing message gains when the protection values could not be put back.
QString protectionNotRestoredText();

// Records the end of the run: outcome, report, journal. Nothing when the run is already
// recorded.
void concludeRun(const BenchContext& ctx, TestRecord::Outcome outcome, const QString& message);
