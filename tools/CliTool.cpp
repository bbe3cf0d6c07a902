#include "tools/CliTool.h"

#include <QDir>
#include <QScopeGuard>
#include <memory>

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "core/Variant.h"
#include "link/LinkContext.h"
#include "link/LinkFlags.h"
#include "link/LinkSettings.h"
#include "link/ModbusRtuClient.h"
#include "link/QtSerialLine.h"
#include "link/RequestFlags.h"
#include "link/SerialPortLink.h"
#include "link/WriteJournal.h"
#include "operation/Commands.h"
#include "operation/OperationContext.h"
#include "params/Identification.h"
#include "params/ParameterComparison.h"
#include "params/ParameterFile.h"
#include "params/ParameterState.h"
#include "params/TableTransfer.h"
#include "tools/CliLogClock.h"
#include "tools/CliTest.h"
#include "tools/CliTrace.h"
#include "tools/StreamPrompter.h"

namespace {

// The link and the parameter model as the window has them, on the caller's line or the real
// port, with mem.ini's memory copy (never flushed from here) and the journal in the working
// directory.
struct Session {
  Session(SettingsStore& mem, SerialLine* line, Clock& clock, QTextStream& err,
          FrameObserver* trace)
      : ownLine(line ? nullptr : std::make_unique<QtSerialLine>(clock)),
        prompter(err),
        journal(QStringLiteral("tarvix.log")),
        port(line ? *line : *ownLine, mem, status),
        client(port, mem, clock),
        writeJournal(journal, client),
        link{clock, prompter, mem, status, progress, journal, flags, requests, port, client},
        params{link, paramsState} {
    flags.maxFirmwareVersion = Variant::detect(QDir::currentPath()).maxFirmwareVersion;
    client.setObserver(&writeJournal);
    client.setFrameObserver(trace);
  }
  ~Session() { port.closePort(); }

  // Opens the port named in mem.ini; false (the status line says why) when it cannot.
  bool open() {
    port.openPort(LinkSettings(link.mem).devicePath());
    const QString refused = port.takeLineSettingsError();
    if (!refused.isEmpty()) prompter.showMessage(QStringLiteral("GetLastError"), refused, {});
    return port.isOpen();
  }
  QString linkText() const { return status.text(StatusLine::Link); }

  std::unique_ptr<SerialLine> ownLine;  // the real port, unless the caller lends a line
  StreamPrompter prompter;
  StatusLine status;
  ProgressLine progress;
  SessionJournal journal;
  LinkFlags flags;
  RequestFlags requests;
  SerialPortLink port;
  ModbusRtuClient client;
  WriteJournal writeJournal;
  ParameterState paramsState;
  LinkContext link;
  ParameterContext params;
  OperationState operationState;
  OperationContext operation{params, operationState};
};

bool parseNumber(const QString& text, int min, int max, int* value) {
  const std::optional<qint64> number = ::parseNumber(text, min, max);
  if (number) *value = int(*number);
  return bool(number);
}

}  // namespace

CliTool::CliTool(QTextStream& out, QTextStream& err, SerialLine* line, Clock* clock)
    : out_(out), err_(err), line_(line), clock_(clock) {}

QString CliTool::usage() {
  return QStringLiteral(
      "usage: tarvix-cli [--port NAME] [--adr N] [--trace] identify\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] read START COUNT [--repeat N]\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] write REG VALUE\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] write-multi START V1 V2 ...\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] params-save FILE\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] params-load FILE\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] params-diff FILE\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] log [COUNT]\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] clock\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] clock set [YYYY MM DD hh mm ss]\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] push | pull | reset\n"
      "       tarvix-cli [--port NAME] [--adr N] [--trace] test [--report FILE] [--serial N]\n"
      "params-save reads the module's main parameter tables into FILE; params-load checks that\n"
      "FILE is of the module's firmware version and writes the values that differ, printing\n"
      "one line \"REG OLD -> NEW\" per register written. params-diff compares the module's main\n"
      "tables with FILE (same version check) and prints one line "
      "\"table;name;register;module;file\"\n"
      "per register that differs; exit 0 when nothing differs, 3 when something does.\n"
      "log fetches COUNT records of the module's event log (default: all unread) as the log page\n"
      "does and prints one line per record, the table's six columns joined by \";\".\n"
      "clock prints the module clock as DD.MM.YYYY HH:MM:SS; clock set writes the computer's\n"
      "local time, or the time given.\n"
      "push, pull and reset send the command unless the module already executes it.\n"
      "--adr 0 is the broadcast: write and write-multi go to every module and wait for no\n"
      "reply; every other command is refused with it.\n"
      "test runs the production test with tp.ini of the working directory: one line\n"
      "\"step;state;verdict\" (verdict ok, fail or empty) per result row, the final message\n"
      "last; its report goes to FILE or reports/. Exit 0 passed, 1 failed or aborted (Ctrl-C\n"
      "stops it as \"Стоп\" does).\n"
      "--trace, before the command, prints every frame sent and received on standard error,\n"
      "one line each: time;TX|RX;address;function;first register;count;values;bytes;result;\n"
      "attempt (result OK or the exchange's error text).\n"
      "Link and timing settings come from mem.ini in the working directory.");
}

int CliTool::run(const QStringList& argsIn) {
  // The options change the memory copy for this run only: mem.ini is never flushed from here.
  SettingsStore mem(QStringLiteral("mem.ini"));
  QStringList args = argsIn;
  auto fail = [&](const QString& text) {
    err_ << text << Qt::endl;
    return int(Failure);
  };
  auto bad = [&](const QString& why) {
    err_ << why << '\n' << usage() << Qt::endl;
    return int(Usage);
  };

  // Global options, before the command.
  if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
    out_ << usage() << Qt::endl;
    return Ok;
  }
  std::unique_ptr<CliTrace> trace;
  while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
    const QString option = args.takeFirst();
    if (option == QLatin1String("--trace")) {
      trace = std::make_unique<CliTrace>(err_, clock_ ? *clock_ : SteadyClock::instance());
      continue;
    }
    if (args.isEmpty()) return bad(option + QStringLiteral(" needs a value"));
    const QString value = args.takeFirst();
    int adr = 0;
    if (option == QLatin1String("--port")) {
      mem.writeString(QStringLiteral("connect"), QStringLiteral("port"), value);
    } else if (option == QLatin1String("--adr") && parseNumber(value, 0, 255, &adr)) {
      mem.writeInteger(QStringLiteral("connect"), QStringLiteral("adr"), adr);
    } else {
      return bad(QStringLiteral("bad option: ") + option + ' ' + value);
    }
  }
  if (args.isEmpty()) return bad(QStringLiteral("no command"));
  const QString command = args.takeFirst();
  // Nobody answers address 0: only the plain writes make sense there.
  const bool broadcast = LinkSettings(mem).moduleAddress() == ModbusRtuClient::kBroadcastAddress;
  if (broadcast && command != QLatin1String("write") && command != QLatin1String("write-multi"))
    return bad(QStringLiteral("address 0 is the broadcast: only write and write-multi can use it"));
  trace_ = trace.get();
  // The observer goes with this run.
  const auto forget = qScopeGuard([this] { trace_ = nullptr; });

  if (command == QLatin1String("test")) {
    QString report, serial;
    for (int i = 0; i < args.size(); i += 2) {
      if (i + 1 >= args.size() || args[i + 1].isEmpty())
        return bad(QStringLiteral("wrong arguments for test"));
      if (args[i] == QLatin1String("--report"))
        report = args[i + 1];
      else if (args[i] == QLatin1String("--serial"))
        serial = args[i + 1];
      else
        return bad(QStringLiteral("wrong arguments for test"));
    }
    return runCliTest(out_, err_, mem, line_, clock_ ? *clock_ : SteadyClock::instance(), report,
                      serial, trace_);
  }
  if (command == QLatin1String("params-save") || command == QLatin1String("params-load") ||
      command == QLatin1String("params-diff")) {
    if (args.size() != 1 || args.first().isEmpty())
      return bad(QStringLiteral("wrong arguments for ") + command);
    return runParameterFile(command, args.first(), mem);
  }

  if (command == QLatin1String("log") || command == QLatin1String("clock")) {
    LogClockCommand request;
    QString why;
    if (!parseLogClockCommand(command, args, &request, &why)) return bad(why);
    if (!request.refusal.isEmpty()) return fail(request.refusal);  // the port stays shut
    Session session(mem, line_, clock_ ? *clock_ : SteadyClock::instance(), err_, trace_);
    if (!session.open()) return fail(session.linkText());
    return runLogClockCommand(request, session.operation, out_, err_);
  }

  if (command == QLatin1String("push") || command == QLatin1String("pull") ||
      command == QLatin1String("reset")) {
    if (!args.isEmpty()) return bad(QStringLiteral("wrong arguments for ") + command);
    const uint16_t reg = command == QLatin1String("push")   ? command::kPush
                         : command == QLatin1String("pull") ? command::kPull
                                                            : command::kReset;
    Session session(mem, line_, clock_ ? *clock_ : SteadyClock::instance(), err_, trace_);
    if (!session.open()) return fail(session.linkText());
    // The busy rule needs the control block as the module has it now.
    if (!session.operationState.control.readControlState(session.link))
      return fail(session.linkText());
    return sendCommand(session.operation, reg, reg) ? int(Ok) : int(Failure);
  }

  // Parse everything before touching the port.
  std::vector<uint16_t> numbers;
  int repeat = 1;
  for (int i = 0; i < args.size(); ++i) {
    int v = 0;
    if (command == QLatin1String("read") && args[i] == QLatin1String("--repeat")) {
      if (i + 1 >= args.size() || !parseNumber(args[i + 1], 1, 1000000, &repeat))
        return bad(QStringLiteral("--repeat needs a count"));
      ++i;
      continue;
    }
    if (!parseNumber(args[i], 0, 65535, &v)) return bad(QStringLiteral("bad number: ") + args[i]);
    numbers.push_back(uint16_t(v));
  }
  const size_t n = numbers.size();
  if ((command == QLatin1String("identify") && n != 0) ||
      (command == QLatin1String("read") && (n != 2 || numbers[1] < 1 || numbers[1] > 125)) ||
      (command == QLatin1String("write") && n != 2) ||
      (command == QLatin1String("write-multi") && (n < 2 || n > 124)))
    return bad(QStringLiteral("wrong arguments for ") + command);
  if (command != QLatin1String("identify") && command != QLatin1String("read") &&
      command != QLatin1String("write") && command != QLatin1String("write-multi"))
    return bad(QStringLiteral("unknown command: ") + command);

  Session session(mem, line_, clock_ ? *clock_ : SteadyClock::instance(), err_, trace_);
  if (!session.open()) return fail(session.linkText());
  ModbusRtuClient& client = session.client;

  int exit = Ok;
  if (command == QLatin1String("identify")) {
    ReadExchange x;
    if (!client.readModuleRegisters(x, 768, 1)) {
      exit = fail(x.error);
    } else {
      const uint16_t version = x.registers[0];
      const uint16_t revision = client.readModuleRegisters(x, 769, 1) ? x.registers[0] : 0;
      out_ << version;
      if (revision != 0) out_ << '.' << revision;
      out_ << Qt::endl;
    }
  } else if (command == QLatin1String("read")) {
    ReadExchange x;
    for (int i = 0; i < repeat && exit == Ok; ++i) {
      if (!client.readModuleRegisters(x, numbers[0], numbers[1])) {
        exit = fail(x.error);
        break;
      }
      QStringList values;
      for (int r = 0; r < x.decodedCount; ++r) values << QString::number(x.registers[r]);
      out_ << values.join(' ') << Qt::endl;
    }
  } else {
    WriteExchange x;
    x.slaveAddress = client.moduleAddress();
    x.firstRegister = numbers[0];
    x.registerCount = uint16_t(n - 1);
    std::copy(numbers.begin() + 1, numbers.end(), x.values.begin());
    const bool ok =
        command == QLatin1String("write") ? client.writeRegister(x) : client.writeRegisters(x);
    if (!ok)
      exit = fail(x.error);
    else if (broadcast)
      out_ << "broadcast sent to address 0; no reply is expected" << Qt::endl;
  }
  return exit;
}

int CliTool::runParameterFile(const QString& command, const QString& file, SettingsStore& mem) {
  auto fail = [&](const QString& text) {
    if (!text.isEmpty()) err_ << text << Qt::endl;
    return int(Failure);
  };
  Session session(mem, line_, clock_ ? *clock_ : SteadyClock::instance(), err_, trace_);
  if (!session.open()) return fail(session.linkText());

  // As the poll cycle does when the module comes online.
  if (!Identification(session.params).identify()) return fail(session.linkText());
  // Every failed block read clears the flag, while the result only tells of the last block.
  session.flags.moduleOnline = true;
  if (command == QLatin1String("params-diff")) {
    const std::optional<ParameterDifferences> found =
        ParameterComparison(session.params).compareWithFile(file);
    // A refused file has told why through the prompter; a failed read left it on the status line.
    if (!found) return fail(session.flags.moduleOnline ? QString() : session.linkText());
    for (const ParameterDifference& d : *found) out_ << ParameterComparison::line(d) << Qt::endl;
    return found->isEmpty() ? int(Ok) : int(Differs);
  }
  TableTransfer transfer(session.params);
  if (!transfer.readMainTables() || !session.flags.moduleOnline) return fail(session.linkText());

  if (command == QLatin1String("params-save"))
    return saveParameterFile(session.params, file) ? int(Ok) : fail(QString());

  if (!loadParameterFile(session.params, file)) return fail(QString());
  session.writeJournal.setListener([this](uint8_t,
                                          const QVector<WriteJournal::WrittenRegister>& registers,
                                          bool ok, const QString&) {
    if (!ok) return;  // the failure itself is reported by the write
    for (const auto& r : registers)
      out_ << r.address << ' ' << (r.old ? QString::number(*r.old) : QStringLiteral("?")) << " -> "
           << r.value << Qt::endl;
  });
  return transfer.writeMainTableBlocks() ? int(Ok) : fail(QString());
}
