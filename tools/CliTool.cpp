#include "tools/CliTool.h"

#include <QDir>
#include <memory>

#include "bench/BenchSession.h"
#include "bench/ReportArchive.h"
#include "core/Numbers.h"
#include "link/LinkKeys.h"
#include "link/LinkSettings.h"
#include "operation/Commands.h"
#include "params/Identification.h"
#include "params/ModuleRegisters.h"
#include "params/ParameterComparison.h"
#include "params/ParameterFile.h"
#include "params/TableTransfer.h"
#include "tools/CliLogClock.h"
#include "tools/CliReports.h"
#include "tools/CliScan.h"
#include "tools/CliTest.h"
#include "tools/CliTrace.h"

namespace {

bool parseNumber(const QString& text, int min, int max, int* value) {
  const std::optional<qint64> number = ::parseNumber(text, min, max);
  if (number) *value = int(*number);
  return bool(number);
}

}  // namespace

CliTool::CliTool(QTextStream& out, QTextStream& err, SerialLine* line, Clock* clock)
    : out_(out),
      err_(err),
      line_(line),
      clock_(clock ? *clock : SteadyClock::instance()),
      prompter_(err) {}

CliTool::~CliTool() = default;

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
      "                  [--operator NAME]\n"
      "       tarvix-cli reports [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--serial N]\n"
      "       tarvix-cli [--port NAME] [--trace] scan [--addresses A-B] [--speeds 9600,19200,...]\n"
      "NAME is a serial port, or HOST:PORT for a serial device server (RTU frames over TCP).\n"
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
      "last; its report goes to FILE or reports/, its protocol (PDF) beside it under the same\n"
      "name. --operator names who tests (kept in tp.ini for the next runs). Exit 0 passed, 1\n"
      "failed or aborted (Ctrl-C stops it as \"Стоп\" does).\n"
      "reports lists the runs in reports/ oldest first, one line\n"
      "\"date;time;serial;operator;outcome;file\" each (a damaged report: outcome ПОВРЕЖДЁН, why\n"
      "on standard error), then \"итого N: пройдено A, не пройдено B, прервано C, неисправность\n"
      "стенда D\"; --since and --until take the days of the start, both included.\n"
      "scan finds the modules on the line: it tries each line setting (the speeds given, default\n"
      "9600 to 115200, each parity and stop bit count; mem.ini's settings first) and each\n"
      "address (default 1-247) with a short read of the firmware version, and writes nothing.\n"
      "One line per module found: ADDRESS;BAUD;FIRMWARE;REVISION;PARITY;STOPBITS (parity none,\n"
      "even or odd; stop bits 1 or 2; firmware and revision empty for a device that answered\n"
      "without them). Progress on standard error. Exit 0 found, 3 none, 1 the port failed.\n"
      "--trace, before the command, prints every frame sent and received on standard error,\n"
      "one line each: time;TX|RX;address;function;first register;count;values;bytes;result;\n"
      "attempt (result OK or the exchange's error text).\n"
      "Link and timing settings come from mem.ini in the working directory.");
}

int CliTool::fail(const QString& text) {
  if (!text.isEmpty()) err_ << text << Qt::endl;
  return Failure;
}

int CliTool::bad(const QString& why) {
  err_ << why << '\n' << usage() << Qt::endl;
  return Usage;
}

bool CliTool::openPort() {
  if (session_->openPort()) return true;
  fail(session_->status.text(StatusLine::Link));
  return false;
}

CliTool::Command CliTool::commandNamed(const QString& name) {
  static const QMap<QString, Command> commands = {
      {QStringLiteral("identify"), &CliTool::identify},
      {QStringLiteral("read"), &CliTool::read},
      {QStringLiteral("write"), &CliTool::write},
      {QStringLiteral("write-multi"), &CliTool::write},
      {QStringLiteral("params-save"), &CliTool::parameterFile},
      {QStringLiteral("params-load"), &CliTool::parameterFile},
      {QStringLiteral("params-diff"), &CliTool::parameterFile},
      {QStringLiteral("log"), &CliTool::logOrClock},
      {QStringLiteral("clock"), &CliTool::logOrClock},
      {QStringLiteral("push"), &CliTool::moduleCommand},
      {QStringLiteral("pull"), &CliTool::moduleCommand},
      {QStringLiteral("reset"), &CliTool::moduleCommand},
      {QStringLiteral("test"), &CliTool::productionTest},
      {QStringLiteral("scan"), &CliTool::scan},
      {QStringLiteral("reports"), &CliTool::reports}};
  return commands.value(name, nullptr);
}

bool CliTool::takeOptions(QStringList& args, QString* why) {
  SettingsStore& mem = session_->mem;
  while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
    const QString option = args.takeFirst();
    if (option == QLatin1String("--trace")) {
      trace_ = std::make_unique<CliTrace>(err_, clock_);
      session_->client().setFrameObserver(trace_.get());
      continue;
    }
    if (args.isEmpty()) {
      *why = option + QStringLiteral(" needs a value");
      return false;
    }
    const QString value = args.takeFirst();
    int adr = 0;
    if (option == QLatin1String("--port")) {
      mem.writeString(linkkeys::kPort, value);
    } else if (option == QLatin1String("--adr") && parseNumber(value, 0, 255, &adr)) {
      mem.writeInteger(linkkeys::kAddress, adr);
    } else {
      *why = QStringLiteral("bad option: ") + option + ' ' + value;
      return false;
    }
  }
  return true;
}

int CliTool::run(const QStringList& argsIn) {
  if (argsIn.contains(QLatin1String("--help")) || argsIn.contains(QLatin1String("-h"))) {
    out_ << usage() << Qt::endl;
    return Ok;
  }
  // The session of the run, on the working directory's settings; the port stays shut until a
  // command opens it. The test's closing boxes are printed by the command itself.
  const QString directory = QDir::currentPath();
  session_ = line_ ? std::make_unique<BenchSession>(directory, prompter_, *line_, clock_, &quiet_)
                   : std::make_unique<BenchSession>(directory, prompter_,
                                                    std::unique_ptr<SerialLine>(), clock_, &quiet_);
  QStringList args = argsIn;
  QString why;
  int exit = Usage;
  if (!takeOptions(args, &why)) {
    exit = bad(why);
  } else if (args.isEmpty()) {
    exit = bad(QStringLiteral("no command"));
  } else {
    const QString name = args.takeFirst();
    const Command command = commandNamed(name);
    // Nobody answers address 0: only the plain writes make sense there.
    const bool broadcast = session_->client().moduleAddress() == ModbusRtuClient::kBroadcastAddress;
    if (!command)
      exit = bad(QStringLiteral("unknown command: ") + name);
    else if (broadcast && command != &CliTool::write && command != &CliTool::scan &&
             command != &CliTool::reports)
      exit =
          bad(QStringLiteral("address 0 is the broadcast: only write and write-multi can use it"));
    else
      exit = (this->*command)(name, args);
  }
  session_.reset();
  trace_.reset();
  return exit;
}

int CliTool::identify(const QString& name, const QStringList& args) {
  if (!args.isEmpty()) return bad(QStringLiteral("wrong arguments for ") + name);
  if (!openPort()) return Failure;
  ModbusRtuClient& client = session_->client();
  ReadExchange x;
  if (!client.readModuleRegisters(x, modulemap::FirmwareVersion, 1)) return fail(x.error);
  const uint16_t version = x.registers[0];
  const uint16_t revision =
      client.readModuleRegisters(x, modulemap::FirmwareRevision, 1) ? x.registers[0] : 0;
  out_ << version;
  if (revision != 0) out_ << '.' << revision;
  out_ << Qt::endl;
  return Ok;
}

int CliTool::read(const QString& name, const QStringList& args) {
  int first = 0, count = 0, repeat = 1;
  const bool repeated = args.size() == 4 && args[2] == QLatin1String("--repeat");
  if (repeated && !parseNumber(args[3], 1, 1000000, &repeat))
    return bad(QStringLiteral("--repeat needs a count"));
  if ((args.size() != 2 && !repeated) || !parseNumber(args[0], 0, 65535, &first) ||
      !parseNumber(args[1], 1, 125, &count))
    return bad(QStringLiteral("wrong arguments for ") + name);
  if (const int refused = refuseLongBlock(8, 5 + 2 * count, count)) return refused;
  if (!openPort()) return Failure;
  ReadExchange x;
  for (int i = 0; i < repeat; ++i) {
    if (!session_->client().readModuleRegisters(x, uint16_t(first), uint16_t(count)))
      return fail(x.error);
    QStringList values;
    for (int r = 0; r < x.decodedCount; ++r) values << QString::number(x.registers[r]);
    out_ << values.join(' ') << Qt::endl;
  }
  return Ok;
}

int CliTool::write(const QString& name, const QStringList& args) {
  std::vector<uint16_t> numbers;
  for (const QString& arg : args) {
    int v = 0;
    if (!parseNumber(arg, 0, 65535, &v)) return bad(QStringLiteral("bad number: ") + arg);
    numbers.push_back(uint16_t(v));
  }
  const bool single = name == QLatin1String("write");
  const size_t n = numbers.size();
  if ((single && n != 2) || (!single && (n < 2 || n > 124)))
    return bad(QStringLiteral("wrong arguments for ") + name);
  if (!single)
    if (const int refused = refuseLongBlock(9 + 2 * int(n - 1), 8, int(n - 1))) return refused;
  if (!openPort()) return Failure;
  ModbusRtuClient& client = session_->client();
  WriteExchange x;
  x.slaveAddress = client.moduleAddress();
  x.firstRegister = numbers[0];
  x.registerCount = uint16_t(n - 1);
  std::copy(numbers.begin() + 1, numbers.end(), x.values.begin());
  if (!(single ? client.writeRegister(x) : client.writeRegisters(x))) return fail(x.error);
  if (x.slaveAddress == ModbusRtuClient::kBroadcastAddress)
    out_ << "broadcast sent to address 0; no reply is expected" << Qt::endl;
  return Ok;
}

int CliTool::logOrClock(const QString& name, const QStringList& args) {
  LogClockCommand request;
  QString why;
  if (!parseLogClockCommand(name, args, &request, &why)) return bad(why);
  if (!request.refusal.isEmpty()) return fail(request.refusal);  // the port stays shut
  if (!openPort()) return Failure;
  return runLogClockCommand(request, session_->operationContext(), out_, err_);
}

int CliTool::moduleCommand(const QString& name, const QStringList& args) {
  if (!args.isEmpty()) return bad(QStringLiteral("wrong arguments for ") + name);
  const uint16_t reg = name == QLatin1String("push")   ? command::kPush
                       : name == QLatin1String("pull") ? command::kPull
                                                       : command::kReset;
  if (!openPort()) return Failure;
  // The busy rule needs the control block as the module has it now.
  if (!session_->operation.control.readControlState(session_->link()))
    return fail(session_->status.text(StatusLine::Link));
  return sendCommand(session_->operationContext(), reg, reg) ? int(Ok) : int(Failure);
}

int CliTool::productionTest(const QString&, const QStringList& args) {
  QString report, serial;
  std::optional<QString> operatorName;
  for (int i = 0; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || args[i + 1].isEmpty())
      return bad(QStringLiteral("wrong arguments for test"));
    if (args[i] == QLatin1String("--report"))
      report = args[i + 1];
    else if (args[i] == QLatin1String("--serial"))
      serial = args[i + 1];
    else if (args[i] == QLatin1String("--operator"))
      operatorName = args[i + 1];
    else
      return bad(QStringLiteral("wrong arguments for test"));
  }
  return runCliTest(out_, err_, *session_, report, serial, operatorName);
}

int CliTool::reports(const QString&, const QStringList& args) {
  QString why;
  const int exit =
      runCliReports(out_, err_, ReportArchive::folder(session_->tp.path()), args, &why);
  return exit == Usage ? bad(why) : exit;
}

int CliTool::refuseLongBlock(int requestBytes, int replyBytes, int count) {
  ModbusRtuClient& client = session_->client();
  // Broadcasts wait for no reply.
  if (client.moduleAddress() == ModbusRtuClient::kBroadcastAddress) return Ok;
  uint32_t lineMs = 0;
  const uint32_t shortfall = client.blockShortfallMs(requestBytes, replyBytes, &lineMs);
  if (shortfall == 0) return Ok;
  const LineSettings line = LinkSettings(session_->mem).lineSettings();
  return fail(QStringLiteral("Блок из %1 регистров не успеет: при %2 бит/с запрос и ответ идут по "
                             "линии %3 мс, а sleep + receive = %4 мс, не хватает %5 мс. Включите "
                             "быстрый обмен (fast=1 в [connect] файла mem.ini) или увеличьте "
                             "receive")
                  .arg(count)
                  .arg(line.baudRate.value_or(9600))
                  .arg(lineMs)
                  .arg(lineMs - shortfall)
                  .arg(shortfall));
}

int CliTool::scan(const QString&, const QStringList& args) {
  ScanPlan plan;
  QString why;
  if (!parseScanArguments(args, &plan, &why)) return bad(why);
  if (!openPort()) return Failure;
  return runCliScan(out_, err_, *session_, plan);
}

int CliTool::parameterFile(const QString& name, const QStringList& args) {
  if (args.size() != 1 || args.first().isEmpty())
    return bad(QStringLiteral("wrong arguments for ") + name);
  const QString& file = args.first();
  BenchSession& s = *session_;
  const auto linkFailure = [&] { return fail(s.status.text(StatusLine::Link)); };
  if (!openPort()) return Failure;
  // As the poll cycle does when the module comes online.
  if (!Identification(s.parameterContext()).identify()) return linkFailure();
  // Every failed block read clears the flag, while the result only tells of the last block.
  s.flags.moduleOnline = true;
  if (name == QLatin1String("params-diff")) {
    const std::optional<ParameterDifferences> found =
        ParameterComparison(s.parameterContext()).compareWithFile(file);
    // A refused file has told why through the prompter; a failed read left it on the status line.
    if (!found) return s.flags.moduleOnline ? fail(QString()) : linkFailure();
    for (const ParameterDifference& d : *found) out_ << ParameterComparison::line(d) << Qt::endl;
    return found->isEmpty() ? int(Ok) : int(Differs);
  }
  TableTransfer transfer(s.parameterContext());
  if (!transfer.readMainTables() || !s.flags.moduleOnline) return linkFailure();
  if (name == QLatin1String("params-save"))
    return saveParameterFile(s.parameterContext(), file) ? int(Ok) : fail(QString());

  if (!loadParameterFile(s.parameterContext(), file)) return fail(QString());
  s.writeJournal().setListener([this](uint8_t,
                                      const QVector<WriteJournal::WrittenRegister>& registers,
                                      bool ok, const QString&) {
    if (!ok) return;  // the failure itself is reported by the write
    for (const auto& r : registers)
      out_ << r.address << ' ' << (r.old ? QString::number(*r.old) : QStringLiteral("?")) << " -> "
           << r.value << Qt::endl;
  });
  return transfer.writeMainTableBlocks() ? int(Ok) : fail(QString());
}
