// The traffic monitor's cost: Tarvix's window (offscreen) and its worker polling tarvix-sim on a
// pseudo-terminal, in alternating phases with the "Обмен" window closed and open (following
// the table's tail). Prints per phase the passes, the mean pass time and the program's CPU;
// then the heap the monitor holds at its bound of 20,000 frames (frames of the recorded
// traffic, copied), the heap of the worker-side buffer at its own bound, and the worker's
// cost of noting one exchange.
//   usage: bench_monitor [SECONDS_PER_PHASE (10)] [ROUNDS (3)] [tarvix-sim options...]
#include <malloc.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

#include "app/ui/MainWindow.h"
#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "link/BusMonitor.h"
#include "link/FrameRecorder.h"
#include "link/RtuFrame.h"
#include "link/ui/BusMonitorWindow.h"
#include "sim/SimProcess.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

size_t heapInUse() {
  malloc_trim(0);
  return mallinfo2().uordblks;
}

// Runs the event loop for `ms` without spinning, as the program's own loop waits.
void runFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

struct Phase {
  bool open;
  int passes;
  double meanPassMs;
  double cpuPercent;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
  QStringList simArgs;
  for (int i = 3; i < argc; ++i) simArgs << QString::fromLocal8Bit(argv[i]);
  SimProcess sim(simArgs);
  if (!sim.started()) {
    std::fprintf(stderr, "tarvix-sim did not start (%s)\n", qPrintable(SimProcess::executable()));
    return 1;
  }
  QTemporaryDir dir;
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", sim.path());
    mem.flush();
  }

  MainWindow form(dir.path());
  form.setAccessLevelSource([] { return 2; });
  // Pass times as the worker reports them, to the millisecond, and a count to the microsecond
  // of the phase's length.
  std::mutex mutex;
  std::vector<int> passMs;
  QObject::connect(
      &form.core().status, &StatusLine::passDurationChanged, &form.core().status,
      [&](int ms) {
        std::lock_guard lock(mutex);
        passMs.push_back(ms);
      },
      Qt::DirectConnection);
  form.show();
  QElapsedTimer wall;
  wall.start();
  while (!form.core().flags.moduleOnline && wall.elapsed() < 10000) runFor(20);
  if (!form.core().flags.moduleOnline) {
    std::fprintf(stderr, "the simulated module did not come online\n");
    return 1;
  }
  auto* button = form.findChild<QToolButton*>(QStringLiteral("ToolButtonTraffic"));
  std::vector<Phase> phases;
  for (int r = 0; r < rounds; ++r) {
    for (const bool open : {false, true}) {
      if (open) {
        button->click();
      } else if (form.busMonitorWindow()) {
        form.busMonitorWindow()->hide();
      }
      // Settle, then measure.
      runFor(1000);
      {
        std::lock_guard lock(mutex);
        passMs.clear();
      }
      const double cpu0 = cpuSeconds();
      QElapsedTimer t;
      t.start();
      runFor(seconds * 1000);
      const double elapsed = t.nsecsElapsed() / 1e9;
      const double cpu = cpuSeconds() - cpu0;
      std::lock_guard lock(mutex);
      double sum = 0;
      for (int ms : passMs) sum += ms;
      phases.push_back({open, int(passMs.size()), passMs.empty() ? 0 : sum / passMs.size(),
                        100 * cpu / elapsed});
      std::printf("round %d, monitor %-6s: %4d passes, mean pass %.2f ms, cpu %.2f %% of a core\n",
                  r + 1, open ? "open" : "closed", phases.back().passes, phases.back().meanPassMs,
                  phases.back().cpuPercent);
      std::fflush(stdout);
    }
  }
  for (const bool open : {false, true}) {
    double pass = 0, cpu = 0;
    int passes = 0, n = 0;
    for (const Phase& p : phases)
      if (p.open == open) {
        pass += p.meanPassMs * p.passes;
        passes += p.passes;
        cpu += p.cpuPercent;
        ++n;
      }
    std::printf("monitor %-6s overall: %d passes in %d s, mean pass %.2f ms, cpu %.2f %%\n",
                open ? "open" : "closed", passes, n * seconds, passes ? pass / passes : 0, cpu / n);
  }
  BusMonitor& live = form.core().busMonitor;
  std::printf("frames recorded by the live monitor: %zu (kept), %llu exchanges counted\n",
              live.frameCount(), static_cast<unsigned long long>(live.counters().requests));

  // The heap at the bound: the live traffic's frames, each copied with bytes of its own, until
  // a fresh monitor holds 20,000.
  std::vector<BusFrame> sample;
  for (int r = 0; r < live.rowCount() && sample.size() < 2000; ++r)
    sample.push_back(live.frameAt(r));
  form.close();
  if (sample.empty()) {
    std::fprintf(stderr, "no frames were recorded\n");
    return 1;
  }
  const size_t before = heapInUse();
  {
    BusMonitor monitor;
    for (size_t i = 0; i < BusMonitor::kMaxFrames + 100;) {
      std::deque<BusFrame> batch;
      for (int k = 0; k < 10; ++k, ++i) {
        BusFrame f = sample[i % sample.size()];
        f.bytes = QByteArray(f.bytes.constData(), f.bytes.size());
        batch.push_back(std::move(f));
      }
      monitor.append(std::move(batch));
    }
    const size_t held = heapInUse() - before;
    std::printf("monitor at its bound: %zu frames, heap %.2f MB (%.0f bytes per frame)\n",
                monitor.frameCount(), held / 1048576.0, double(held) / monitor.frameCount());
  }

  // The worker side: a 17-register read, noted without a taker until the buffer is full.
  SteadyClock& clock = SteadyClock::instance();
  uint8_t request[rtu::kMaxFrame];
  const int requestLength = rtu::encodeRead(request, 100, 16, 17);
  uint8_t reply[64] = {100, 3, 34};
  const QString ok = QStringLiteral("OK");
  ExchangeTrace trace;
  trace.request = request;
  trace.requestLength = requestLength;
  trace.reply = reply;
  trace.replyLength = 39;
  trace.result = &ok;
  const size_t before2 = heapInUse();
  {
    FrameRecorder recorder(clock);
    const int exchanges = int(FrameRecorder::kMaxPending) / 2;
    for (int i = 0; i < exchanges; ++i) recorder.exchanged(trace);
    const size_t held = heapInUse() - before2;
    std::printf("worker-side buffer at its bound: %zu frames, heap %.2f MB\n",
                FrameRecorder::kMaxPending, held / 1048576.0);
    // Noting an exchange with a taker that keeps up, as while polling.
    constexpr int kTimed = 200000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kTimed; ++i) {
      recorder.exchanged(trace);
      if (i % 20 == 19) recorder.take();
    }
    const double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
    std::printf("worker's cost of noting one exchange (request and reply frames): %.2f us\n",
                us / kTimed);
  }
  return 0;
}
