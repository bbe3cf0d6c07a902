// The demo production test as an operator runs it: Tarvix's window (offscreen) and its worker
// against tarvix-sim on a pseudo-terminal, wired by the demo's tp.ini; "Старт" pressed, the
// verdict box answered. Prints the wall time of the test against the sum of its fixed waits
// and the expected times of its exchanges, the longest stretch the user-interface thread was
// busy during the test (as the wait of a call posted to it), and the program's CPU over the
// test (the probe's own small share included).
//   usage: bench_production_test [--ui-probe] [tarvix-sim options...]   (e.g. --firmware 150)
// The probe that measures the user-interface thread costs CPU of its own: the CPU figure is
// the one of a run without it.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "app/ui/MainWindow.h"
#include "bench/ui/TestPage.h"
#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "link/LinkSettings.h"
#include "link/QtSerialLine.h"
#include "sim/SimProcess.h"

namespace {

// The steady clock, adding up what is slept: the test's fixed waits and each exchange's pause
// between request and reply.
class CountingClock : public Clock {
 public:
  uint32_t tick() override { return SteadyClock::instance().tick(); }
  void sleep(uint32_t ms) override {
    if (counting) slept += ms;
    SteadyClock::instance().sleep(ms);
  }
  std::atomic_bool counting{false};
  std::atomic<uint64_t> slept{0};
};

// The real serial line, counting the requests by kind.
class CountingLine : public SerialLine {
 public:
  explicit CountingLine(Clock& clock) : line_(clock) {}
  bool open(const QString& device) override { return line_.open(device); }
  bool isOpen() const override { return line_.isOpen(); }
  void close() override { line_.close(); }
  bool applyLineSettings(const LineSettings& s) override { return line_.applyLineSettings(s); }
  bool applyTimeouts(const PortTimeouts& t) override { return line_.applyTimeouts(t); }
  bool isAlive() override { return line_.isAlive(); }
  void discardInput() override { line_.discardInput(); }
  void drainUntilQuiet(uint32_t quietMs, uint32_t since) override {
    line_.drainUntilQuiet(quietMs, since);
  }
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override {
    if (counting && size > 1) ++(data[1] == 3 ? reads : writes);
    return line_.write(data, size, waitMs);
  }
  IoResult read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) override {
    return line_.read(buffer, maxBytes, waitMs, received);
  }
  QString errorString() const override { return line_.errorString(); }

  std::atomic_bool counting{false};
  std::atomic<int> reads{0}, writes{0};

 private:
  QtSerialLine line_;
};

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString tpPath = dir.filePath("tp.ini");
  QFile::copy(QStringLiteral(TARVIX_DEMO_TP), tpPath);
  QFile(tpPath).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  QStringList simArgs = {"--bench", tpPath};
  bool probe = false;
  for (int i = 1; i < argc; ++i) {
    if (QByteArray(argv[i]) == "--ui-probe")
      probe = true;
    else
      simArgs << QString::fromLocal8Bit(argv[i]);
  }
  SimProcess sim(simArgs);
  if (!sim.started()) {
    std::fprintf(stderr, "tarvix-sim did not start (%s)\n", qPrintable(SimProcess::executable()));
    return 1;
  }
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", sim.path());
    mem.flush();
  }

  CountingClock clock;
  auto owned = std::make_unique<CountingLine>(clock);
  CountingLine* line = owned.get();
  MainWindow form(dir.path(), std::move(owned), clock);
  form.setAccessLevelSource([] { return 2; });
  const LinkSettings::Timing timing = LinkSettings(form.core().mem).timing();
  const PortTimeouts timeouts = LinkSettings(form.core().mem).timeouts();

  // The user-interface thread's busy stretches, seen from outside: every 2 ms a probe thread
  // posts it an empty call and measures how long the call waits to run. The longest wait is
  // the longest stretch the thread could not answer the user.
  QElapsedTimer wall;
  wall.start();
  std::atomic<qint64> endedAt{-1};
  std::atomic<qint64> startedAt{-1};
  std::vector<qint64> latencyUs;
  std::atomic_bool probing{probe};
  QObject receiver;
  std::thread prober([&] {
    std::mutex m;
    std::condition_variable cv;
    while (probing) {
      bool ran = false;
      const qint64 sent = wall.nsecsElapsed() / 1000;
      QMetaObject::invokeMethod(
          &receiver,
          [&] {
            std::lock_guard lock(m);
            ran = true;
            cv.notify_one();
          },
          Qt::QueuedConnection);
      {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return ran || !probing; });
      }
      if (!ran) break;
      const qint64 now = wall.nsecsElapsed() / 1000;
      if (startedAt >= 0 && endedAt < 0) latencyUs.push_back(now - sent);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  // The verdict box is answered as soon as it shows.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      std::printf("box: %s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
      box->button(QMessageBox::Ok)->click();
    }
  });
  answer.start(20);

  form.core().bench.onConcluded = [&](const QString&, const TestRecord::Data&) {
    endedAt = wall.nsecsElapsed() / 1000;
  };
  form.show();
  while (!form.core().flags.moduleOnline && wall.elapsed() < 10000) app.processEvents();
  if (!form.core().flags.moduleOnline) {
    std::fprintf(stderr, "the simulated module did not come online\n");
    return 1;
  }
  form.pages()->setCurrentWidget(form.tabSheetTest());
  QTimer::singleShot(500, [&] {
    clock.counting = true;
    line->counting = true;
    startedAt = wall.nsecsElapsed() / 1000;
    form.tabSheetTest()->buttonStart()->click();
  });
  // A self-check of the busy measure: TARVIX_PERF_PROBE_MS=N keeps the thread busy for N ms
  // once during the test, which the longest busy stretch must then show.
  if (const int probe = qEnvironmentVariableIntValue("TARVIX_PERF_PROBE_MS"); probe > 0)
    QTimer::singleShot(3000, [probe] {
      QElapsedTimer busy;
      busy.start();
      while (busy.elapsed() < probe) {
      }
    });
  double cpuAtStart = 0;
  QTimer::singleShot(500, [&] { cpuAtStart = cpuSeconds(); });
  while (endedAt < 0 && wall.elapsed() < 600000) app.processEvents(QEventLoop::WaitForMoreEvents);
  const double cpu = cpuSeconds() - cpuAtStart;
  probing = false;
  app.processEvents();
  prober.join();
  clock.counting = false;
  line->counting = false;
  while (form.core().flags.testRunning && wall.elapsed() < 600000) app.processEvents();

  const double testS = (endedAt - startedAt) / 1e6;
  const double sleptS = clock.slept / 1e3;
  const int reads = line->reads, writes = line->writes;
  const double pauses = (reads + writes) * timing.sleep / 1e3;
  const double fixedS = sleptS - pauses;
  // A read waits for the line to fall quiet after the reply; a write takes its 8-byte echo.
  const double exchangesS = pauses + reads * timeouts.readInterval / 1e3;
  const double expectedS = fixedS + exchangesS;
  std::sort(latencyUs.begin(), latencyUs.end());
  const qint64 maxBusy = latencyUs.empty() ? 0 : latencyUs.back();
  const qint64 p99 = latencyUs.empty() ? 0 : latencyUs[latencyUs.size() * 99 / 100];

  std::printf("demo production test: %.3f s wall\n", testS);
  std::printf(
      "  fixed waits %.3f s + exchanges %.3f s (%d reads x %u ms, %d writes x %u ms)"
      " = expected %.3f s\n",
      fixedS, exchangesS, reads, timing.sleep + timeouts.readInterval, writes, timing.sleep,
      expectedS);
  std::printf("  wall - expected: %.3f s (%.2f %%)\n", testS - expectedS,
              100 * (testS - expectedS) / expectedS);
  if (probe)
    std::printf(
        "user-interface thread: longest wait of a posted call %.2f ms, 99th percentile"
        " %.3f ms over %zu probes\n",
        maxBusy / 1e3, p99 / 1e3, latencyUs.size());
  std::printf("cpu of the program during the test: %.3f s = %.2f %% of one core%s\n", cpu,
              100 * cpu / testS, probe ? " (with the probe's own share)" : "");
  return 0;
}
