#include "tools/CliTest.h"

#include <signal.h>

#include <QDir>
#include <atomic>
#include <memory>

#include "bench/BenchContext.h"
#include "bench/TestRunner.h"
#include "core/Clock.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "core/Variant.h"
#include "link/LinkFlags.h"
#include "link/LinkSettings.h"
#include "link/ModbusRtuClient.h"
#include "link/QtSerialLine.h"
#include "link/RequestFlags.h"
#include "link/SerialPortLink.h"
#include "link/WriteJournal.h"
#include "params/Identification.h"
#include "tools/StreamPrompter.h"

namespace {

// The closing boxes of the test: the command prints their text once the run is recorded.
class QuietPrompter : public Prompter {
 public:
  void showMessage(const QString&, const QString&, Icon) override {}
  bool confirm(const QString&, const QString&) override { return false; }
};

// Ctrl-C clears the flag the steps look at, as "Стоп" does; an atomic store is safe here.
std::atomic_bool* stopFlag = nullptr;
void onInterrupt(int) {
  if (stopFlag) stopFlag->store(false);
}

// The link, the parameter model, the operation layer and the bench as the window has them.
struct BenchSession {
  BenchSession(SettingsStore& mem, SerialLine* line, Clock& clock, QTextStream& err)
      : ownLine(line ? nullptr : std::make_unique<QtSerialLine>(clock)),
        tp(QStringLiteral("tp.ini")),
        prompter(err),
        journal(QStringLiteral("tarvix.log")),
        port(line ? *line : *ownLine, mem, status),
        client(port, mem, clock),
        writeJournal(journal, client),
        link{clock, prompter, mem, status, progress, journal, flags, requests, port, client},
        params{link, paramsState},
        bench{{params, operationState}, benchState, tp, verdicts} {
    flags.maxFirmwareVersion = Variant::detect(QDir::currentPath()).maxFirmwareVersion;
    client.setObserver(&writeJournal);
  }
  ~BenchSession() { port.closePort(); }

  std::unique_ptr<SerialLine> ownLine;
  SettingsStore tp;
  StreamPrompter prompter;
  QuietPrompter verdicts;
  StatusLine status;
  ProgressLine progress;
  SessionJournal journal;
  LinkFlags flags;
  RequestFlags requests;
  SerialPortLink port;
  ModbusRtuClient client;
  WriteJournal writeJournal;
  ParameterState paramsState;
  OperationState operationState;
  BenchState benchState;
  LinkContext link;
  ParameterContext params;
  BenchContext bench;
};

QString verdict(const ResultGrid::Row& row) {
  if (row.verdict == QLatin1String("1")) return QStringLiteral("fail");
  if (row.verdict == QLatin1String("0")) return QStringLiteral("ok");
  return QString();
}

}  // namespace

int runCliTest(QTextStream& out, QTextStream& err, SettingsStore& mem, SerialLine* line,
               Clock& clock, const QString& reportFile, const QString& serial,
               FrameObserver* trace) {
  BenchSession s(mem, line, clock, err);
  s.client.setFrameObserver(trace);
  s.port.openPort(LinkSettings(mem).devicePath());
  if (!s.port.isOpen() || !Identification(s.params).identify()) {
    err << s.status.text(StatusLine::Link) << Qt::endl;
    return 1;
  }
  s.flags.moduleOnline = true;

  BenchState& state = s.benchState;
  state.settings.load(s.tp);
  state.reportFile = reportFile;
  const auto print = [&out](const ResultGrid::Row& row) {
    out << row.step << ';' << row.state << ';' << verdict(row) << Qt::endl;
  };
  QObject::connect(
      &state.grid, &ResultGrid::rowCompleted, &state.grid,
      [&print](int, const ResultGrid::Row& row) { print(row); }, Qt::DirectConnection);
  TestRecord::Data run;
  QString reportPath;
  state.onConcluded = [&](const QString& path, const TestRecord::Data& data) {
    run = data;
    reportPath = path;
  };

  if (!TestRunner::startTest(s.bench, serial)) {
    err << s.status.text(StatusLine::Link) << Qt::endl;
    return 1;
  }
  stopFlag = &s.flags.testRunning;
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
  // As the worker does: the run again while the flag stays set (R16 not answering at the start).
  while (s.flags.testRunning) TestRunner(s.bench).runTestSequence();
  sigaction(SIGINT, &previous, nullptr);
  stopFlag = nullptr;

  const ResultGrid::Row last = state.grid.rows().value(state.grid.currentRow());
  if (!last.empty()) print(last);
  if (reportPath.isEmpty()) err << QStringLiteral("Протокол не сохранён") << Qt::endl;
  if (run.outcome == TestRecord::Outcome::Passed) {
    out << run.message << Qt::endl;
    return 0;
  }
  err << run.message << Qt::endl;
  return 1;
}
