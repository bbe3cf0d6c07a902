// The USB adapter pulled out and put back, again and again, while the program's worker polls
// the simulated module through the real serial port code: tarvix-sim on a pseudo-terminal,
// whose console `unplug` makes the port vanish and `plug` brings it back at the same path.
// Per cycle a write request (the push command) is made while the adapter is out; it must be
// served once the module is back. Prints the recoveries, the passes each took, the threads and
// open files before and after, and the CPU the program used while the adapter was out.
//   usage: adapter_replug [CYCLES] [SECONDS_OUT]     (default 50 cycles, 1 s out)
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "app/AppContext.h"
#include "core/Prompter.h"
#include "sim/SimProcess.h"

namespace {

using Wall = std::chrono::steady_clock;

class CountingPrompter : public Prompter {
 public:
  void showMessage(const QString&, const QString& text, Icon) override {
    ++boxes;
    lastText = text;
  }
  bool confirm(const QString&, const QString&) override { return false; }
  std::atomic<int> boxes{0};
  QString lastText;
};

int entries(const char* folder) {
  return int(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Wall::now() + limit;
  while (!done()) {
    if (Wall::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

double ms(Wall::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int cycles = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
  const double secondsOut = argc > 2 ? std::max(0.1, atof(argv[2])) : 1.0;

  QTemporaryDir dir;
  const QString link = dir.filePath("ttySIM");
  // A push outlasts the run: register 8 reads 1 from the push until the reset a cycle starts with.
  SimProcess sim({"--link", link, "--travel-ms", "600000"});
  if (!sim.started()) {
    std::fprintf(stderr, "tarvix-sim did not start (%s)\n", qPrintable(SimProcess::executable()));
    return 1;
  }
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", link);
    mem.flush();
  }
  CountingPrompter prompter;
  AppContext core(dir.path(), prompter);  // the real serial port
  std::atomic<int> passes{0};
  QObject::connect(
      &core.status, &StatusLine::pollTimerChanged, &core.status,
      [&](bool on) {
        if (!on) ++passes;  // every pass begins by stopping the window's poll timer
      },
      Qt::DirectConnection);
  core.startWorker();
  const auto online = [&] { return bool(core.flags.moduleOnline); };
  if (!waitFor(online, std::chrono::seconds(10))) {
    std::fprintf(stderr, "the module did not come online: %s\n",
                 qPrintable(core.status.text(StatusLine::Link)));
    return 1;
  }
  const int threadsBefore = entries("/proc/self/task");
  const int filesBefore = entries("/proc/self/fd");

  int recovered = 0, withinTwoPasses = 0, writesServed = 0, maxPasses = 0;
  double cpuOut = 0, timeOut = 0;
  std::vector<double> toOffline, toOnline;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    // The drive stopped, so that the push below is sent and executed.
    core.requests.module[RequestFlags::ResetCommand] = true;
    waitFor([&] { return !core.requests.module[RequestFlags::ResetCommand]; },
            std::chrono::milliseconds(5000));
    const auto pulled = Wall::now();
    const QString unplugged = sim.command("unplug");
    if (!unplugged.startsWith("adapter unplugged")) {
      std::fprintf(stderr, "cycle %d: unplug said '%s'\n", cycle, qPrintable(unplugged));
      continue;
    }
    if (!waitFor([&] { return !online(); }, std::chrono::seconds(10))) {
      std::fprintf(stderr, "cycle %d: the module stayed online\n", cycle);
      continue;
    }
    toOffline.push_back(ms(Wall::now() - pulled));
    core.requests.module[RequestFlags::Push] = true;  // asked for while the adapter is out

    const double cpu0 = cpuSeconds();
    const auto out0 = Wall::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(secondsOut));
    cpuOut += cpuSeconds() - cpu0;
    timeOut += std::chrono::duration<double>(Wall::now() - out0).count();

    const QString plugged = sim.command("plug");
    const int passesAtPlug = passes;
    const auto back = Wall::now();
    if (!plugged.startsWith("adapter plugged in")) {
      std::fprintf(stderr, "cycle %d: plug said '%s'\n", cycle, qPrintable(plugged));
      continue;
    }
    if (!waitFor(online, std::chrono::seconds(10))) {
      std::fprintf(stderr, "cycle %d: not back online: %s\n", cycle,
                   qPrintable(core.status.text(StatusLine::Link)));
      continue;
    }
    ++recovered;
    toOnline.push_back(ms(Wall::now() - back));
    const int took = passes - passesAtPlug;
    maxPasses = std::max(maxPasses, took);
    if (took <= 2) ++withinTwoPasses;
    if (waitFor([&] { return !core.requests.module[RequestFlags::Push]; },
                std::chrono::seconds(10)) &&
        sim.command("get 8") == "8 = 1")
      ++writesServed;
  }
  // Leave the module online so the counts compare like with like.
  waitFor(online, std::chrono::seconds(10));
  const int threadsAfter = entries("/proc/self/task");
  const int filesAfter = entries("/proc/self/fd");
  core.stopWorker(AppContext::kWorkerJoinMs);

  std::sort(toOffline.begin(), toOffline.end());
  std::sort(toOnline.begin(), toOnline.end());
  auto median = [](const std::vector<double>& v) { return v.empty() ? 0.0 : v[v.size() / 2]; };
  auto maximum = [](const std::vector<double>& v) { return v.empty() ? 0.0 : v.back(); };
  std::printf("recovered without a restart: %d of %d unplug/replug cycles\n", recovered, cycles);
  std::printf("back online within 2 passes of the replug: %d of %d (most passes: %d)\n",
              withinTwoPasses, cycles, maxPasses);
  std::printf("write requests made while the adapter was out, served once back: %d of %d\n",
              writesServed, cycles);
  std::printf(
      "offline after unplug: median %.0f ms, max %.0f ms; online after plug: median %.0f "
      "ms, max %.0f ms\n",
      median(toOffline), maximum(toOffline), median(toOnline), maximum(toOnline));
  std::printf("threads: %d before, %d after; open files: %d before, %d after\n", threadsBefore,
              threadsAfter, filesBefore, filesAfter);
  std::printf("cpu while the adapter was out: %.2f %% of one core over %.1f s\n",
              timeOut > 0 ? 100.0 * cpuOut / timeOut : 0.0, timeOut);
  std::printf("message boxes: %d%s%s\n", int(prompter.boxes), prompter.boxes ? ", last: " : "",
              qPrintable(prompter.lastText));
  const bool ok = recovered == cycles && withinTwoPasses == cycles && writesServed == cycles &&
                  threadsAfter == threadsBefore && filesAfter == filesBefore;
  return ok ? 0 : 1;
}
