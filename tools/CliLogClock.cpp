#include "tools/CliLogClock.h"

#include <QObject>

#include "core/Numbers.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/ModbusRtuClient.h"
#include "operation/EventLog.h"
#include "operation/ModuleClock.h"
#include "params/Identification.h"
#include "tools/CliTool.h"

namespace {

int runLog(const QString& count, const OperationContext& ctx, QTextStream& out, QTextStream& err) {
  const auto linkFailure = [&] {
    err << ctx.link().status.text(StatusLine::Link) << Qt::endl;
    return int(CliTool::Failure);
  };
  // The error names come with the module's layout, as the window has them once online.
  if (!Identification(ctx.params).identify()) return linkFailure();
  EventLogState& log = ctx.state.log;
  log.loadTexts(ctx.link().mem.readSectionLines(QStringLiteral("log_cmd")),
                ctx.link().mem.readSectionLines(QStringLiteral("log_sw")));
  EventLog operations(ctx);
  if (!operations.showLogState()) return linkFailure();
  if (log.unreadCounter == 0) {
    err << "В журнале нет ни одной записи" << Qt::endl;
    return CliTool::Ok;
  }
  log.setReadCountText(count.isEmpty() ? QString::number(log.unreadCounter) : count);
  const QMetaObject::Connection printer = QObject::connect(
      &log, &EventLogState::recordFetched, &log,
      [&](uint32_t number, bool damaged) {
        if (damaged) {
          err << "Запись " << number << " повреждена" << Qt::endl;
          return;
        }
        QStringList cells;
        for (const QString& cell : log.row(int(number))) cells << cell;
        out << cells.join(QLatin1Char(';')) << Qt::endl;
      },
      Qt::DirectConnection);
  const bool ok = operations.readLogRecords();
  QObject::disconnect(printer);
  if (ok) return CliTool::Ok;
  // A failed selector write was told as a message; a failed read is on the status line.
  const QString link = ctx.link().status.text(StatusLine::Link);
  if (!link.isEmpty()) err << link << Qt::endl;
  return CliTool::Failure;
}

int showClock(const OperationContext& ctx, QTextStream& out, QTextStream& err) {
  ReadExchange x;
  if (!ctx.link().client.readModuleRegisters(x, ModuleClock::ClockLow, 2)) {
    err << x.error << Qt::endl;
    return CliTool::Failure;
  }
  const DateFields f = secondsToDateFields(uint32_t(x.registers[1]) << 16 | x.registers[0]);
  out << formatDate(f) << ' ' << formatTime(f) << Qt::endl;
  return CliTool::Ok;
}

}  // namespace

bool parseLogClockCommand(const QString& command, const QStringList& args, LogClockCommand* out,
                          QString* why) {
  *out = LogClockCommand{};
  if (command == QLatin1String("log")) {
    out->what = LogClockCommand::Log;
    if (args.size() > 1) {
      *why = QStringLiteral("wrong arguments for log");
      return false;
    }
    int count = 0;
    if (args.size() == 1 && !parseInteger(args[0], &count)) {
      *why = QStringLiteral("bad number: ") + args[0];
      return false;
    }
    // Taken as the page takes its field: at least one record, at most the counter.
    if (args.size() == 1) out->count = args[0];
    return true;
  }
  if (args.isEmpty()) {
    out->what = LogClockCommand::ShowClock;
    return true;
  }
  if (args[0] != QLatin1String("set") || (args.size() != 1 && args.size() != 7)) {
    *why = QStringLiteral("wrong arguments for clock");
    return false;
  }
  out->what = LogClockCommand::SetClock;
  ModuleClockState local;
  const QStringList values =
      args.size() == 7 ? args.mid(1) : ModuleClock::clockTexts(local.localNow());
  out->refusal = ModuleClock::clockRefusal(values, &out->fields);
  return true;
}

int runLogClockCommand(const LogClockCommand& command, const OperationContext& ctx,
                       QTextStream& out, QTextStream& err) {
  switch (command.what) {
    case LogClockCommand::Log:
      return runLog(command.count, ctx, out, err);
    case LogClockCommand::ShowClock:
      return showClock(ctx, out, err);
    case LogClockCommand::SetClock:
      break;
  }
  if (!command.refusal.isEmpty()) {
    err << command.refusal << Qt::endl;
    return CliTool::Failure;
  }
  QString error;
  if (ModuleClock(ctx).writeClock(command.fields, &error)) return CliTool::Ok;
  err << error << Qt::endl;
  return CliTool::Failure;
}
