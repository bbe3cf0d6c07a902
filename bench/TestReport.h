#pragma once

#include <QString>

#include "bench/TestRecord.h"

// The report of one tested unit, as hardware test frameworks keep them: a CSV file (";"
// separated, UTF-8 with a byte-order mark so that spreadsheet programs show the Cyrillic) with
// the unit, the operator, the times, the outcome and final message, the enabled steps and
// settings, every result row with its verdict, and every measurement with the limits it was
// judged against. Its protocol as PDF goes beside it under the same name (TestProtocol).
namespace TestReport {

// A file of the run as written: its path, and when it could not be written the user's text
// saying so (empty when it was).
struct SavedFile {
  QString path;
  QString failure;
  bool saved() const { return failure.isEmpty(); }
};

// The file's text.
QString format(const TestRecord::Data& run);
// A field as the report writes it: quoted when it holds ";", a quote or a line end.
QString field(QString text);
// A new file in reports/ beside `settingsPath` (the working directory), named by the serial
// number (when given), the date and the time; neither it nor its PDF exists yet.
QString defaultPath(const TestRecord::Data& run, const QString& settingsPath);
// The protocol's path beside the report: the same name, ".pdf" in place of ".csv".
QString protocolPath(const QString& reportPath);
// Writes the report to `file`, or to defaultPath() when `file` is empty, replacing it whole.
SavedFile write(const TestRecord::Data& run, const QString& file, const QString& settingsPath);

}  // namespace TestReport
