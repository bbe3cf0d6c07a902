// tarvix-sim: the simulated module (and the two bench modules) on a pseudo-terminal, or with
// --tcp on 127.0.0.1 as a serial device server. Prints the port name to open on the first line
// of stdout (the terminal's path, or 127.0.0.1:PORT); the tool (or tarvix-cli) opens it as its
// serial port. Lines typed on stdin are console commands.

#include <signal.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QFileInfo>

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/SettingsStore.h"
#include "sim/PtyServer.h"
#include "sim/SimBus.h"
#include "sim/SimConsole.h"

namespace {

const char kUsage[] =
    "usage: tarvix-sim [--firmware N] [--revision N] [--logic N] [--input-map N] [--address N]\n"
    "                  [--r16-address N] [--d8r4-address N] [--baud N] [--turnaround MS]\n"
    "                  [--fault KIND[:RATE]]... [--late-ms MS] [--exception-code N]\n"
    "                  [--fault-bench] [--seed N] [--link PATH] [--motor-password N]\n"
    "                  [--speed N] [--parity N] [--stopbits N] [--travel-ms N]\n"
    "                  [--bench TP_INI] [--tcp PORT]\n"
    "  KIND: drop, late, crc, address, exception, garbage, short; RATE 0..1 (default 1:\n"
    "        every reply)\n"
    "  faults hit the module's replies only, unless --fault-bench is given\n"
    "  --motor-password: what a motor voltage change must carry (0..65535, default 5249)\n"
    "  --speed, --parity, --stopbits: the module's link registers 1 to 3, as mem.ini keeps them\n"
    "  --travel-ms: how long a push or pull takes to reach its end position (0..600000,\n"
    "               default 3000); the motor current is debug value 9 (register 264) from\n"
    "               firmware 200 on, debug value 4 (register 259) before\n"
    "  --bench: wire R16 and D8R4 to the module as TP_INI describes the bench (wiring sections\n"
    "           di_codeN, output codes of [do], relay bits of [motion], [overload], [short];\n"
    "           bench addresses from its [connect] unless --r16-address/--d8r4-address say\n"
    "           otherwise); the console's 'defect' commands then break the unit under test\n"
    "  --baud: the emulated line rate (0: no line time); by default the rate the client set on\n"
    "          the terminal (over TCP, the module's own)\n"
    "  the module answers only at its speed (--speed; 9600 by default), as the client sets it\n"
    "  on the terminal\n"
    "  --tcp: serve on 127.0.0.1:PORT instead of a pseudo-terminal, as a serial device server\n"
    "         passes RTU frames over TCP (0: any free port); the first line printed is\n"
    "         127.0.0.1:PORT, the port name to open\n"
    "  lines typed on stdin are console commands; 'help' lists them\n";

PtyServer* activeServer = nullptr;

void onSignal(int) {
  if (activeServer) activeServer->stop();
}

// Numbers as the program and the console read them: decimal, or hexadecimal after 0x.
bool parseNumber(const char* text, long min, long max, long* out) {
  const std::optional<qint64> value = ::parseNumber(QString::fromLocal8Bit(text), min, max);
  if (value) *out = long(*value);
  return bool(value);
}

// What the command line asks for beyond the bus itself.
struct Setup {
  PtyServer::Options server;
  long firmware = ModuleModel::kDefaultFirmware;
  long revision = 0;
  long linkRegisters[3] = {-1, -1, -1};   // speed index, parity, stop bits: power-on values
  int r16Address = -1, d8r4Address = -1;  // -1: from the bench description, else 16 and 17
  QString benchPath;
};

// The options that take a number: their range and what the number sets.
struct NumberOption {
  const char* name;
  long min, max;
  std::function<void(long)> apply;
};

std::vector<NumberOption> numberOptions(SimBus& bus, Setup& setup) {
  ModuleModel& module = bus.module();
  FaultPlan& faults = bus.faults();
  const auto linkRegister = [&setup](int k) {
    return [&setup, k](long v) { setup.linkRegisters[k] = v; };
  };
  return {
      {"--firmware", 0, 0xFFFF, [&setup](long v) { setup.firmware = v; }},
      {"--revision", 0, 0xFFFF, [&setup](long v) { setup.revision = v; }},
      {"--logic", 0, 0xFFFF, [&module](long v) { module.setLogicNumber(uint16_t(v)); }},
      {"--input-map", 0, 0xFFFF, [&module](long v) { module.setInputMap(uint16_t(v)); }},
      {"--address", 1, 247, [&module](long v) { module.setAddress(uint8_t(v)); }},
      {"--r16-address", 1, 247, [&setup](long v) { setup.r16Address = int(v); }},
      {"--d8r4-address", 1, 247, [&setup](long v) { setup.d8r4Address = int(v); }},
      {"--baud", 0, 10'000'000, [&setup](long v) { setup.server.baud = int(v); }},
      {"--turnaround", 0, 60'000, [&setup](long v) { setup.server.turnaroundMs = uint32_t(v); }},
      {"--late-ms", 0, 60'000, [&faults](long v) { faults.setLateMs(uint32_t(v)); }},
      {"--exception-code", 0, 255, [&faults](long v) { faults.setExceptionCode(uint8_t(v)); }},
      {"--seed", 0, 0xFFFFFFFFL, [&faults](long v) { faults.setSeed(uint32_t(v)); }},
      {"--motor-password", 0, 0xFFFF, [&module](long v) { module.setMotorPassword(uint16_t(v)); }},
      {"--speed", 0, 4, linkRegister(0)},
      {"--parity", 0, 2, linkRegister(1)},
      {"--stopbits", 0, 1, linkRegister(2)},
      {"--travel-ms", 0, 600'000, [&module](long v) { module.motion().setTravelMs(uint32_t(v)); }},
      {"--tcp", 0, 65535, [&setup](long v) { setup.server.tcpPort = int(v); }}};
}

// Takes the command line; an exit code when the program is to end at once (help, usage).
std::optional<int> readArguments(int argc, char** argv, SimBus& bus, Setup& setup) {
  const std::vector<NumberOption> numbers = numberOptions(bus, setup);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::printf("%s\n", qPrintable(SimConsole::helpText()));
      return 0;
    }
    if (arg == "--fault-bench") {
      bus.faults().setBenchInScope(true);
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "tarvix-sim: %s needs a value\n%s", arg.c_str(), kUsage);
      return 2;
    }
    const char* text = argv[++i];
    const auto number = std::find_if(numbers.begin(), numbers.end(),
                                     [&arg](const NumberOption& o) { return arg == o.name; });
    bool ok = true;
    if (number != numbers.end()) {
      long value = 0;
      if ((ok = parseNumber(text, number->min, number->max, &value))) number->apply(value);
    } else if (arg == "--fault") {
      ok = SimConsole::addFault(bus.faults(), QString::fromLocal8Bit(text));
    } else if (arg == "--bench") {
      setup.benchPath = text;
      ok = QFileInfo::exists(setup.benchPath);
    } else if (arg == "--link") {
      setup.server.linkPath = text;
    } else {
      std::fprintf(stderr, "tarvix-sim: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "tarvix-sim: bad value for %s: %s\n%s", arg.c_str(), text, kUsage);
      return 2;
    }
  }
  if (setup.server.tcpPort >= 0 && !setup.server.linkPath.empty()) {
    std::fprintf(stderr, "tarvix-sim: --tcp and --link exclude each other\n%s", kUsage);
    return 2;
  }
  return std::nullopt;
}

// The module as configured: firmware, link registers, clock, and the bench wired to it.
void configure(SimBus& bus, const Setup& setup) {
  ModuleModel& module = bus.module();
  module.log().setClock(&SteadyClock::instance());  // registers 4-5 tick
  module.installFirmware(uint16_t(setup.firmware), uint16_t(setup.revision));
  for (int i = 0; i < 3; ++i)
    if (setup.linkRegisters[i] >= 0)
      module.set(uint16_t(ModuleModel::SpeedIndex + i), uint16_t(setup.linkRegisters[i]));
  if (!setup.benchPath.isEmpty())
    bus.attachBench(BenchDescription::read(SettingsStore(setup.benchPath)));
  if (setup.r16Address > 0) bus.r16().setAddress(uint8_t(setup.r16Address));
  if (setup.d8r4Address > 0) bus.d8r4().setAddress(uint8_t(setup.d8r4Address));
}

// Ctrl-C and kill end the serving loop; a reader gone from the pty is no reason to die.
void catchSignals(PtyServer& server) {
  activeServer = &server;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// The console's "unplug" and "plug": the pty goes away and comes back as a USB adapter would.
void connectAdapter(SimConsole& console, PtyServer& server) {
  console.setAdapter([&server](bool pullOut) {
    const QString path = QString::fromStdString(server.clientPath());
    if (pullOut) {
      if (!server.plugged()) return QStringLiteral("? the adapter is out already");
      server.unplug();
      return QStringLiteral("adapter unplugged: %1 is gone").arg(path);
    }
    if (server.plugged()) return QStringLiteral("? the adapter is in already");
    if (!server.plug())
      return QStringLiteral("? the adapter cannot come back: %1")
          .arg(QString::fromStdString(server.errorString()));
    return QStringLiteral("adapter plugged in: %1")
        .arg(QString::fromStdString(server.clientPath()));
  });
}

// Lines typed on stdin are console commands; their replies go to stdout.
void watchConsole(SimConsole& console, PtyServer& server, std::string& typed) {
  server.watch(STDIN_FILENO, [&](int fd) {
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return n < 0 && errno == EINTR;  // end of input: serve on without a console
    typed.append(buffer, size_t(n));
    for (size_t end; (end = typed.find('\n')) != std::string::npos;) {
      const QString reply = console.execute(QString::fromLocal8Bit(typed.substr(0, end)));
      typed.erase(0, end + 1);
      if (!reply.isEmpty()) std::printf("%s\n", qPrintable(reply));
      std::fflush(stdout);
      if (console.quitRequested()) server.stop();
    }
    return true;
  });
}

// A motion and drifting debug values move on four times a second (a read over the bus brings
// them up to date as well); a tick is cheap while nothing moves. The timer's descriptor, or -1.
int startTicker(SimConsole& console, PtyServer& server) {
  const int ticker = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (ticker < 0) return ticker;
  const itimerspec every{{0, 250'000'000}, {0, 250'000'000}};
  timerfd_settime(ticker, 0, &every, nullptr);
  server.watch(ticker, [&console](int fd) {
    uint64_t expirations = 0;
    [[maybe_unused]] ssize_t n = ::read(fd, &expirations, sizeof expirations);
    console.tick();
    return true;
  });
  return ticker;
}

}  // namespace

int main(int argc, char** argv) {
  SimBus bus;
  Setup setup;
  if (const std::optional<int> exit = readArguments(argc, argv, bus, setup)) return *exit;
  configure(bus, setup);

  PtyServer server(bus, setup.server);
  if (!server.open()) {
    std::fprintf(stderr, "tarvix-sim: %s\n", server.errorString().c_str());
    return 1;
  }
  std::printf("%s\n",
              setup.server.tcpPort >= 0 ? server.clientPath().c_str() : server.slavePath().c_str());
  std::fflush(stdout);
  catchSignals(server);

  SimConsole console(bus, SteadyClock::instance());
  connectAdapter(console, server);
  std::string typed;
  watchConsole(console, server, typed);
  const int ticker = startTicker(console, server);

  const bool ok = server.run();
  activeServer = nullptr;
  if (!ok) std::fprintf(stderr, "tarvix-sim: %s\n", server.errorString().c_str());
  server.close();
  if (ticker >= 0) ::close(ticker);
  return ok ? 0 : 1;
}
