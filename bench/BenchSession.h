#pragma once

#include <QDir>

#include "bench/BenchContext.h"
#include "bench/BenchState.h"
#include "operation/OperationSession.h"

// A session with the production test bench on it: tp.ini, the bench's state, the bench
// requests of the pass, and the test runner the worker runs in place of the pass. The test's
// closing messages go to `verdicts` (the prompter unless another is given).
class BenchSession : public OperationSession {
 public:
  template <typename Line>
  BenchSession(const QString& directory, Prompter& prompter, Line&& line, Clock& clock,
               Prompter* verdicts = nullptr)
      : OperationSession(directory, prompter, std::forward<Line>(line), clock),
        tp(QDir(directory).filePath(QStringLiteral("tp.ini"))),
        benchContext_{operationContext(), bench, tp, verdicts ? *verdicts : prompter} {
    registerSteps();
  }

  SettingsStore tp;
  BenchState bench;
  const BenchContext& benchContext() const { return benchContext_; }

  // The worker, with the production test in place of the pass while it runs.
  void startWorker();

 private:
  void registerSteps();

  BenchContext benchContext_;
};
