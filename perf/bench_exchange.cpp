// One Modbus exchange over a pseudo-terminal to tarvix-sim with emulated line time: wall time,
// expected time, software overhead and the client's CPU time per exchange; with the fixed pause
// and in fast exchange ("Быстрый обмен"), with a module that answers at once and one that takes
// 20 ms.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LineTiming.h"
#include "link/LinkSettings.h"
#include "link/ModbusRtuClient.h"
#include "link/QtSerialLine.h"
#include "link/SerialPortLink.h"
#include "sim/SimProcess.h"

namespace {

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double wallMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct Stats {
  double median, min, max;
};
Stats stats(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front(), v.back()};
}

constexpr int kFirst = 16;
constexpr int kCount = 17;

struct Setup {
  int baud, speedIndex, sleepMs;
  bool fast;
  int turnaroundMs;
};

bool run(const Setup& s, int exchanges) {
  const int baud = s.baud, sleepMs = s.sleepMs, kTurnaroundMs = s.turnaroundMs;
  SimProcess sim({"--baud", QString::number(baud), "--turnaround", QString::number(kTurnaroundMs),
                  "--speed", QString::number(s.speedIndex)});
  if (!sim.started()) {
    std::fprintf(stderr, "tarvix-sim did not start (%s)\n", qPrintable(SimProcess::executable()));
    return false;
  }
  QTemporaryDir dir;
  SettingsStore mem(dir.filePath("mem.ini"));
  mem.writeString("connect", "port", sim.path());
  mem.writeInteger("connect", "speed", s.speedIndex);
  mem.writeInteger("connect", "fast", s.fast ? 1 : 0);
  mem.writeInteger("connect", "sleep", sleepMs);
  // A generous reply budget: the figure wanted is how long an exchange takes, not whether it fits.
  mem.writeInteger("connect", "receive", 500);

  StatusLine status;
  QtSerialLine line(SteadyClock::instance());
  SerialPortLink port(line, mem, status);
  ModbusRtuClient client(port, mem, SteadyClock::instance());
  if (!port.openPort(sim.path())) {
    std::fprintf(stderr, "cannot open %s\n", qPrintable(sim.path()));
    return false;
  }

  const double charMs = 10.0 * 1000.0 / baud;
  const double lineMs = (8 + 5 + 2 * kCount) * charMs;
  const double interval = LinkSettings(mem).timeouts().readInterval;
  // Fast: the reply is taken when complete, and each request first waits the frame gap after
  // the last one (the client counts 11 bits a character: two stop bits).
  const double gapMs = linetime::frameGapMicros(LinkSettings(mem).lineSettings()) / 1000.0;
  const double expected = s.fast ? lineMs + kTurnaroundMs + gapMs
                                 : std::max<double>(sleepMs, lineMs + kTurnaroundMs) + interval;

  std::vector<double> wall, overhead, cpu;
  int failures = 0, early = 0;
  ReadExchange x;
  x.slaveAddress = 100;
  x.firstRegister = kFirst;
  x.registerCount = kCount;
  client.readRegisters(x);  // warm-up; the first exchange on a fresh port waits for a quiet line
  for (int i = 0; i < exchanges; ++i) {
    const double c0 = cpuMs(), w0 = wallMs();
    const bool ok = client.readRegisters(x);
    const double w = wallMs() - w0, c = cpuMs() - c0;
    if (!ok) {
      ++failures;
      continue;
    }
    if (!s.fast && w < sleepMs) ++early;
    wall.push_back(w);
    overhead.push_back(w - expected);
    cpu.push_back(c);
  }
  port.closePort();
  if (wall.empty()) {
    std::fprintf(stderr, "every exchange failed: %s\n", qPrintable(x.error));
    return false;
  }
  const Stats sw = stats(wall), so = stats(overhead), sc = stats(cpu);
  if (s.fast)
    std::printf(
        "fast, baud %6d turnaround %2d ms: %d exchanges, %d failed; expected %.2f ms (line %.2f + "
        "turnaround %d + frame gap %.2f)\n",
        baud, kTurnaroundMs, exchanges, failures, expected, lineMs, kTurnaroundMs, gapMs);
  else
    std::printf(
        "baud %6d sleep %3d ms: %d exchanges, %d failed; expected %.2f ms (line %.2f + turnaround "
        "%d + interval %.0f%s)\n",
        baud, sleepMs, exchanges, failures, expected, lineMs, kTurnaroundMs, interval,
        sleepMs > lineMs + kTurnaroundMs ? ", pause dominates" : "");
  std::printf("  wall      median %8.3f  min %8.3f  max %8.3f ms\n", sw.median, sw.min, sw.max);
  std::printf("  overhead  median %8.3f  min %8.3f  max %8.3f ms\n", so.median, so.min, so.max);
  std::printf("  cpu       median %8.3f  min %8.3f  max %8.3f ms  (%.2f %% of wall)\n", sc.median,
              sc.min, sc.max, 100.0 * sc.median / sw.median);
  std::printf("  exchanges ended before the pause was over: %d\n", early);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
  bool ok = true;
  for (int sleepMs : {0, 70}) {
    ok = run({9600, 0, sleepMs, false, 5}, n) && ok;
    ok = run({115200, 4, sleepMs, false, 5}, n) && ok;
  }
  for (int turnaroundMs : {0, 20}) {
    ok = run({9600, 0, 70, true, turnaroundMs}, n) && ok;
    ok = run({115200, 4, 70, true, turnaroundMs}, n) && ok;
  }
  return ok ? 0 : 1;
}
