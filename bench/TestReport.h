#pragma once

#include <QString>

#include "bench/TestRecord.h"

// The report of one tested unit, as hardware test frameworks keep them: a CSV file (";"
// separated, UTF-8 with a byte-order mark so that spreadsheet programs show the Cyrillic) with
// the unit, the times, the outcome and final message, the enabled steps and settings, every
// result row with its verdict, and every measurement with the limits it was judged against.
namespace TestReport {

// The file's text.
QString format(const TestRecord::Data& run);
// A new file in reports/ beside `settingsPath` (the working directory), named by the serial
// number (when given), the date and the time.
QString defaultPath(const TestRecord::Data& run, const QString& settingsPath);
// Writes the report to `file`, or to defaultPath() when `file` is empty, replacing it whole;
// returns the path written, empty when it could not be.
QString write(const TestRecord::Data& run, const QString& file, const QString& settingsPath);

}  // namespace TestReport
