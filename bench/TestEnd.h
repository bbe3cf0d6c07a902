#pragma once

#include <QString>
#include <QStringList>

#include "bench/BenchContext.h"
#include "bench/TestRecord.h"

// How a production test run ends, whichever way: the stop routine of the steps, and the
// record of the run (its report in reports/ and the session journal).

// abortTest: resets the bench and the module, puts the unit back as it came (restoreUnit),
// clears testRunning, records the run, shows the box and switches the poll timer back on.
// Always true; the caller then returns failure.
bool abortTest(const BenchContext& ctx, const QString& text, const QString& caption);

// Puts the unit back as it came, on every end of a run: the saved protection values if the
// module may still hold test values, and the motor voltage type the run found if a motor run
// changed it. Returns the lines the closing message gains for what could not be put back (a
// red row says so too); empty when the unit is as it came.
QStringList restoreUnit(const BenchContext& ctx);

// Records the end of the run: outcome, report and its protocol, journal, and the outcome where
// the page names the step. Returns the lines the closing message gains for the files that
// could not be written (the run and its outcome stand all the same); empty when all were, or
// when the run is already recorded.
QStringList concludeRun(const BenchContext& ctx, TestRecord::Outcome outcome,
                        const QString& message);
