#pragma once

#include <QString>

#include "bench/TestRecord.h"
#include "bench/TestReport.h"

// "Протокол испытаний": the run of one unit as a document to print, sign and file with it. A4,
// in Russian: the unit, the operator, the start and the end, the outcome in large letters, the
// bench settings the run used (its steps, edits, output codes and current windows), a table of
// every result row with its measurements, limits and verdict (a failure in red), the final
// message, and lines to sign. Pages are numbered when there is more than one; the fonts go
// into the file, so it shows the Cyrillic on any machine.
//
// Qt's own PDF writer draws it; its fonts need the GUI application (in tarvix-cli too), which
// is why the bench's core calls it through BenchState::writeProtocol.
namespace TestProtocol {

// The document's content as rich text.
QString html(const TestRecord::Data& run);
// Writes the protocol to `path`, replacing it whole; a failure (a full disk, a folder that may
// not be written) leaves no file behind and says why.
TestReport::SavedFile write(const TestRecord::Data& run, const QString& path);

}  // namespace TestProtocol
