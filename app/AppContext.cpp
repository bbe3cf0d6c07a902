#include "app/AppContext.h"

#include <QDir>
#include <cstdlib>

#include "bench/BenchBus.h"
#include "bench/BenchControl.h"
#include "bench/BenchOutputs.h"
#include "bench/TestRunner.h"
#include "link/CommThread.h"
#include "link/QtSerialLine.h"
#include "operation/Commands.h"
#include "operation/Cycles.h"
#include "operation/EventLog.h"
#include "operation/ModuleClock.h"
#include "params/Identification.h"
#include "params/MotorVoltage.h"
#include "params/ParameterComparison.h"
#include "params/StatusReader.h"
#include "params/TableTransfer.h"

namespace {

std::unique_ptr<SerialLine> lineOrPort(std::unique_ptr<SerialLine> line, Clock& clock) {
  return line ? std::move(line) : std::make_unique<QtSerialLine>(clock);
}

}  // namespace

AppContext::AppContext(const QString& directory, Prompter& prompter_,
                       std::unique_ptr<SerialLine> line, Clock& clock_)
    : clock(clock_),
      prompter(prompter_),
      mem(QDir(directory).filePath(QStringLiteral("mem.ini"))),
      tp(QDir(directory).filePath(QStringLiteral("tp.ini"))),
      prof(QDir(directory).filePath(QStringLiteral("prof.ini"))),
      variant(Variant::detect(directory)),
      journal(QDir(directory).filePath(QStringLiteral("tarvix.log"))),
      frameRecorder(clock_),
      line_(lineOrPort(std::move(line), clock_)),
      port_(*line_, mem, status),
      client_(port_, mem, clock_),
      writeJournal_(journal, client_),
      link_{clock, prompter, mem, status, progress, journal, flags, requests, port_, client_},
      parameterContext_{link_, params},
      operationContext_{parameterContext_, operation},
      benchContext_{operationContext_, bench, tp, prompter_},
      cycle_(link_) {
  flags.maxFirmwareVersion = variant.maxFirmwareVersion;
  // Direct: the journal records each link change as it happens, on whichever thread.
  QObject::connect(
      &status, &StatusLine::textChanged, &status,
      [this](int panel, const QString& text) {
        if (panel == StatusLine::Link) journal.linkChanged(text);
      },
      Qt::DirectConnection);
  client_.setObserver(&writeJournal_);
  client_.setFrameObserver(&frameRecorder);
  busMonitor.attach(frameRecorder);
  busMonitor.setAddressNames(busAddressNames());
  registerSteps();
}

QMap<uint8_t, QString> AppContext::busAddressNames() const {
  const BenchBus bench(benchContext_);
  return {{client_.moduleAddress(), QStringLiteral("модуль")},
          {bench.r16Address(), QStringLiteral("R16")},
          {bench.d8r4Address(), QStringLiteral("D8R4")}};
}

void AppContext::registerSteps() {
  using R = RequestFlags;
  const ParameterContext& p = parameterContext_;
  PollCycle::Steps steps;
  steps.identify = [p] { return Identification(p).identify(); };
  const OperationContext& o = operationContext_;
  steps.sample = [o] { sampleDiagram(o); };
  steps.passStart = [o] {
    if (o.state.clock.updateFromPc) ModuleClock(o).fillClockFromPc();
  };
  steps.readStatus = [this, p, o] {
    operation.control.readControlState(link_);  // its outcome does not stop the status read
    const bool logPage = params.activePage == ParameterState::Page::LogTime;
    if (!StatusReader(p).readStatus()) return false;
    // The clock registers were read if the page was shown throughout.
    if (logPage && params.activePage == ParameterState::Page::LogTime)
      ModuleClock(o).showModuleClock(params.moduleClockSeconds);
    return true;
  };
  steps.clearStatus = [p] { StatusReader(p).clearStatusTables(); };
  const BenchContext& b = benchContext_;
  steps.benchOnline = [b] { benchcontrol::serveVoltageRequests(b); };
  steps.benchAlways = [this, b] {
    serveBenchOutputs(link_, tp);
    benchcontrol::serveResetRequest(b);
  };
  steps.passEnd = [o](bool portOpen) { Cycles(o).cyclesStep(portOpen); };
  cycle_.setSteps(std::move(steps));

  cycle_.setOperation(R::MainRead, [p] { return TableTransfer(p).readMainTables(); });
  cycle_.setOperation(R::ServiceRead, [p] { return TableTransfer(p).readServiceTables(); });
  cycle_.setOperation(R::MainWrite, [p] { return TableTransfer(p).writeMainTables(); });
  cycle_.setOperation(R::ServiceWrite, [p] { return TableTransfer(p).writeServiceTables(); });
  cycle_.setOperation(R::LinkParamsRead,
                      [this] { return readModuleLinkParams(link_, linkParams); });
  cycle_.setOperation(R::LinkParamsWrite,
                      [this] { return writeModuleLinkParams(link_, linkParams); });
  cycle_.setOperation(R::MotorVoltage, [p] { return MotorVoltage(p).changeMotorVoltage(); });
  cycle_.setOperation(R::CompareWithFile, [p] { return ParameterComparison(p).serveComparison(); });
  cycle_.setOperation(R::WriteDifferences, [p] { return ParameterComparison(p).serveWrite(); });
  cycle_.setOperation(R::Push, [o] { return sendCommand(o, command::kPush, command::kPush); });
  cycle_.setOperation(R::Pull, [o] { return sendCommand(o, command::kPull, command::kPull); });
  cycle_.setOperation(R::ResetCommand,
                      [o] { return sendCommand(o, command::kReset, command::kReset); });
  cycle_.setOperation(R::InputMap, [o] { return readInputMap(o); });
  cycle_.setOperation(R::LogTab, [o] { return EventLog(o).showLogState(); });
  cycle_.setOperation(R::SetClock, [o] { return ModuleClock(o).writeModuleClock(); });
  cycle_.setOperation(R::ClearLog, [o] {
    EventLog(o).clearLogTable();
    return true;  // the program's own table: it cannot fail
  });
  cycle_.setOperation(R::ReadLog, [o] { return EventLog(o).readLogRecords(); });
}

AppContext::~AppContext() {
  if (!stopWorker(kWorkerJoinMs)) {
    // Stuck in a driver call: destroying what it uses would crash; end the process instead.
    journal.append(QStringLiteral("Поток обмена не завершился за %1 с; программа закрыта")
                       .arg(kWorkerJoinMs / 1000));
    std::quick_exit(EXIT_FAILURE);
  }
  port_.closePort();
}

void AppContext::startWorker() {
  if (worker_) return;
  worker_ = std::make_unique<CommThread>(cycle_, flags, port_);
  // The production test runs here, on the worker, in place of the poll pass.
  worker_->setTestRunner([this] { TestRunner(benchContext_).runTestSequence(); });
  worker_->start();
}

bool AppContext::stopWorker(int ms) {
  if (!worker_) return true;
  if (worker_->isRunning()) requestWorkerStop();
  return worker_->join(ms);
}
