#pragma once

#include <QString>
#include <QTextStream>
#include <optional>

class BenchSession;

// tarvix-cli test: the production test headless, on the same core code as the window, with
// mem.ini and tp.ini from the working directory. Each result row is printed as it is completed
// ("title;state;verdict", verdict ok, fail or empty), the final message last; the report goes
// to `reportFile` or, when empty, to reports/, its protocol (PDF) beside it; a file that could not
// be written is said on standard error and leaves the exit as the run has it. The run is
// recorded under `operatorName`, kept in tp.ini; without one, under the operator kept. Ctrl-C stops
// the test as "Стоп" does, so the bench and the module are reset. Exit 0 when the test passed, 1
// when it failed or was aborted (the closing text then on standard error).
int runCliTest(QTextStream& out, QTextStream& err, BenchSession& session, const QString& reportFile,
               const QString& serial, const std::optional<QString>& operatorName);
