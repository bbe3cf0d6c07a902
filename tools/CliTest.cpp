#include "tools/CliTest.h"

#include <QDir>
#include <atomic>
#include <memory>

#include "bench/BenchKeys.h"
#include "bench/BenchSession.h"
#include "bench/TestProtocol.h"
#include "bench/TestRunner.h"
#include "params/Identification.h"
#include "tools/InterruptGuard.h"

namespace {

QString verdict(const ResultGrid::Row& row) {
  if (row.verdict == QLatin1String("1")) return QStringLiteral("fail");
  if (row.verdict == QLatin1String("0")) return QStringLiteral("ok");
  return QString();
}

}  // namespace

int runCliTest(QTextStream& out, QTextStream& err, BenchSession& s, const QString& reportFile,
               const QString& serial, const std::optional<QString>& operatorName) {
  if (!s.openPort() || !Identification(s.parameterContext()).identify()) {
    err << s.status.text(StatusLine::Link) << Qt::endl;
    return 1;
  }
  s.flags.moduleOnline = true;

  BenchState& state = s.bench;
  state.settings.load(s.tp);
  state.reportFile = reportFile;
  state.writeProtocol = &TestProtocol::write;
  const auto print = [&out](const ResultGrid::Row& row) {
    out << row.step << ';' << row.state << ';' << verdict(row) << Qt::endl;
  };
  QObject::connect(
      &state.grid, &ResultGrid::rowCompleted, &state.grid,
      [&print](int, const ResultGrid::Row& row) { print(row); }, Qt::DirectConnection);
  TestRecord::Data run;
  state.onConcluded = [&](const QString&, const TestRecord::Data& data) { run = data; };

  if (!TestRunner::startTest(s.benchContext(), serial,
                             operatorName.value_or(s.tp.readString(benchkeys::kOperator)))) {
    err << s.status.text(StatusLine::Link) << Qt::endl;
    return 1;
  }
  {
    // Ctrl-C stops the run as "Стоп" does.
    const InterruptGuard interrupt(s.flags.testRunning);
    // As the worker does: the run again while the flag stays set (R16 not answering at the
    // start).
    while (s.flags.testRunning) TestRunner(s.benchContext()).runTestSequence();
  }

  const ResultGrid::Row last = state.grid.rows().value(state.grid.currentRow());
  if (!last.empty()) print(last);
  for (const QString& line : run.unsaved) err << line << Qt::endl;
  if (run.outcome == TestRecord::Outcome::Passed) {
    out << run.message << Qt::endl;
    return 0;
  }
  err << run.message << Qt::endl;
  return 1;
}
