#include "bench/BenchSession.h"

#include "bench/BenchControl.h"
#include "bench/BenchOutputs.h"
#include "bench/TestRunner.h"

void BenchSession::registerSteps() {
  const BenchContext& b = benchContext_;
  PollCycle::Steps& steps = cycle().steps();
  steps.benchOnline = [b] { benchcontrol::serveVoltageRequests(b); };
  steps.benchAlways = [this, b] {
    serveBenchOutputs(link(), tp);
    benchcontrol::serveResetRequest(b);
  };
}

void BenchSession::startWorker() {
  Session::startWorker([this] { TestRunner(benchContext_).runTestSequence(); });
}
