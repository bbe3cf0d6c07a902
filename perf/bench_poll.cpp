// The poll pass and the diagram's sampling interval at 115200 baud, with the fixed pause and in
// fast exchange: the program's core (no window) and its worker on the real serial port against
// tarvix-sim on a pseudo-terminal, which gives the line its byte time. While a motion runs the
// diagram gets one point per pass; printed are the passes, the mean pass and the mean interval
// between diagram points, and the CPU of the process.
//   usage: bench_poll [SECONDS_PER_MODE (5)] [MODULE_TURNAROUND_MS (5)]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstdio>

#include "core/Clock.h"
#include "core/Prompter.h"
#include "core/SettingsStore.h"
#include "operation/OperationSession.h"
#include "sim/SimProcess.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

class SilentPrompter : public Prompter {
 public:
  void showMessage(const QString&, const QString& text, Icon) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  bool confirm(const QString&, const QString&) override { return true; }
};

bool waitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QThread::msleep(5);
  return done();
}

bool run(bool fast, int seconds, int turnaroundMs) {
  // A push takes longer than the run: the module stays in motion.
  SimProcess sim(
      {"--speed", "4", "--travel-ms", "600000", "--turnaround", QString::number(turnaroundMs)});
  if (!sim.started()) {
    std::fprintf(stderr, "tarvix-sim did not start (%s)\n", qPrintable(SimProcess::executable()));
    return false;
  }
  QTemporaryDir dir;
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", sim.path());
    mem.writeInteger("connect", "speed", 4);
    mem.writeInteger("connect", "fast", fast ? 1 : 0);
    mem.flush();
  }
  SilentPrompter prompter;
  OperationSession session(dir.path(), prompter, std::unique_ptr<SerialLine>(),
                           SteadyClock::instance());
  std::atomic<int> passes{0};
  QObject::connect(
      &session.status, &StatusLine::pollTimerChanged, &session.status,
      [&](bool on) {
        if (!on) ++passes;
      },
      Qt::DirectConnection);
  session.operation.diagram.drawing = true;
  session.startWorker();
  if (!waitUntil([&] { return bool(session.flags.moduleOnline); }, 10000)) {
    std::fprintf(stderr, "the simulated module did not come online\n");
    return false;
  }
  session.requests.module[RequestFlags::Push] = true;
  DiagramState& diagram = session.operation.diagram;
  waitUntil([&] { return diagram.pointsSince(DiagramState::Main, 0).total > 2; }, 10000);

  const int passes0 = passes;
  const int points0 = diagram.pointsSince(DiagramState::Main, 0).total;
  const double cpu0 = cpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QThread::sleep(unsigned(seconds));
  const double ms = double(wall.elapsed());
  const int n = passes - passes0;
  const int points = diagram.pointsSince(DiagramState::Main, 0).total - points0;
  const double cpu = cpuSeconds() - cpu0;
  session.stopWorker(10000);
  std::printf(
      "%s, 115200 baud, turnaround %d ms, motion running: %d passes in %.1f s, pass %.1f ms; %d "
      "diagram "
      "points, one every %.1f ms; CPU %.2f %%\n",
      fast ? "fast exchange" : "fixed pause  ", turnaroundMs, n, ms / 1000, ms / std::max(1, n),
      points, ms / std::max(1, points), 100.0 * cpu * 1000 / ms);
  return n > 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  const int turnaroundMs = argc > 2 ? std::max(0, atoi(argv[2])) : 5;
  bool ok = run(false, seconds, turnaroundMs);
  ok = run(true, seconds, turnaroundMs) && ok;
  return ok ? 0 : 1;
}
