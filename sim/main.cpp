// tarvix-sim: the simulated module (and the two bench modules) on a pseudo-terminal.
// Prints the slave side's path on the first line of stdout; the tool (or tarvix-cli) opens it
// as its serial port. Lines typed on stdin are console commands.

#include <signal.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
    "                  [--bench TP_INI]\n"
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

}  // namespace

int main(int argc, char** argv) {
  SimBus bus;
  PtyServer::Options options;
  ModuleModel& module = bus.module();
  long firmware = ModuleModel::kDefaultFirmware;
  long revision = 0;
  long value = 0;
  long linkRegisters[3] = {-1, -1, -1};   // speed index, parity, stop bits: power-on values
  int r16Address = -1, d8r4Address = -1;  // -1: from the bench description, else 16 and 17
  QString benchPath;

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
    auto number = [&](long min, long max) { return parseNumber(text, min, max, &value); };
    bool ok = true;
    if (arg == "--firmware") {
      ok = parseNumber(text, 0, 0xFFFF, &firmware);
    } else if (arg == "--revision") {
      ok = parseNumber(text, 0, 0xFFFF, &revision);
    } else if (arg == "--logic") {
      if ((ok = number(0, 0xFFFF))) module.setLogicNumber(uint16_t(value));
    } else if (arg == "--input-map") {
      if ((ok = number(0, 0xFFFF))) module.setInputMap(uint16_t(value));
    } else if (arg == "--address") {
      if ((ok = number(1, 247))) module.setAddress(uint8_t(value));
    } else if (arg == "--r16-address") {
      if ((ok = number(1, 247))) r16Address = int(value);
    } else if (arg == "--d8r4-address") {
      if ((ok = number(1, 247))) d8r4Address = int(value);
    } else if (arg == "--baud") {
      if ((ok = number(0, 10'000'000))) options.baud = int(value);
    } else if (arg == "--turnaround") {
      if ((ok = number(0, 60'000))) options.turnaroundMs = uint32_t(value);
    } else if (arg == "--late-ms") {
      if ((ok = number(0, 60'000))) bus.faults().setLateMs(uint32_t(value));
    } else if (arg == "--exception-code") {
      if ((ok = number(0, 255))) bus.faults().setExceptionCode(uint8_t(value));
    } else if (arg == "--seed") {
      if ((ok = number(0, 0xFFFFFFFFL))) bus.faults().setSeed(uint32_t(value));
    } else if (arg == "--fault") {
      ok = SimConsole::addFault(bus.faults(), QString::fromLocal8Bit(text));
    } else if (arg == "--motor-password") {
      if ((ok = number(0, 0xFFFF))) module.setMotorPassword(uint16_t(value));
    } else if (arg == "--speed") {
      ok = parseNumber(text, 0, 4, &linkRegisters[0]);
    } else if (arg == "--parity") {
      ok = parseNumber(text, 0, 2, &linkRegisters[1]);
    } else if (arg == "--stopbits") {
      ok = parseNumber(text, 0, 1, &linkRegisters[2]);
    } else if (arg == "--travel-ms") {
      if ((ok = number(0, 600'000))) module.motion().setTravelMs(uint32_t(value));
    } else if (arg == "--bench") {
      benchPath = text;
      ok = QFileInfo::exists(benchPath);
    } else if (arg == "--link") {
      options.linkPath = text;
    } else {
      std::fprintf(stderr, "tarvix-sim: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "tarvix-sim: bad value for %s: %s\n%s", arg.c_str(), text, kUsage);
      return 2;
    }
  }
  module.log().setClock(&SteadyClock::instance());  // registers 4-5 tick
  module.installFirmware(uint16_t(firmware), uint16_t(revision));
  for (int i = 0; i < 3; ++i)
    if (linkRegisters[i] >= 0)
      module.set(uint16_t(ModuleModel::SpeedIndex + i), uint16_t(linkRegisters[i]));
  if (!benchPath.isEmpty()) bus.attachBench(BenchDescription::read(SettingsStore(benchPath)));
  if (r16Address > 0) bus.r16().setAddress(uint8_t(r16Address));
  if (d8r4Address > 0) bus.d8r4().setAddress(uint8_t(d8r4Address));

  PtyServer server(bus, options);
  if (!server.open()) {
    std::fprintf(stderr, "tarvix-sim: %s\n", server.errorString().c_str());
    return 1;
  }
  std::printf("%s\n", server.slavePath().c_str());
  std::fflush(stdout);

  activeServer = &server;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  SimConsole console(bus, SteadyClock::instance());
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
  std::string typed;
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

  // A motion and drifting debug values move on four times a second (a read over the bus
  // brings them up to date as well); a tick is cheap while nothing moves.
  const int ticker = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (ticker >= 0) {
    const itimerspec every{{0, 250'000'000}, {0, 250'000'000}};
    timerfd_settime(ticker, 0, &every, nullptr);
    server.watch(ticker, [&](int fd) {
      uint64_t expirations = 0;
      [[maybe_unused]] ssize_t n = ::read(fd, &expirations, sizeof expirations);
      console.tick();
      return true;
    });
  }

  const bool ok = server.run();
  activeServer = nullptr;
  if (!ok) std::fprintf(stderr, "tarvix-sim: %s\n", server.errorString().c_str());
  server.close();
  if (ticker >= 0) ::close(ticker);
  return ok ? 0 : 1;
}
