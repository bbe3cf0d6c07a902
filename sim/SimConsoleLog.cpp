// The console's event log and clock commands.
#include <QDateTime>

#include "core/Numbers.h"
#include "sim/SimBus.h"
#include "sim/SimConsole.h"

namespace {

QString stamp(uint32_t seconds) {
  return QDateTime::fromSecsSinceEpoch(qint64(seconds), Qt::UTC)
      .toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString kindName(uint8_t kind) {
  switch (kind) {
    case ModuleLog::Command:
      return QStringLiteral("command");
    case ModuleLog::Error:
      return QStringLiteral("error");
    case ModuleLog::EndPositions:
      return QStringLiteral("end positions");
    default:
      return QStringLiteral("kind %1").arg(kind);
  }
}

}  // namespace

QString SimConsole::logCommand(const QStringList& args) {
  ModuleModel& module = bus_.module();
  ModuleLog& log = module.log();
  if (args.size() == 1 && args[0].toLower() == "clear") {
    log.clear(module);
    return QStringLiteral("event log cleared");
  }
  if (!args.isEmpty()) return QStringLiteral("? usage: log | log clear");
  QString out = QStringLiteral("event log: %1 records, %2 unread, logging %3")
                    .arg(log.size())
                    .arg(log.unread())
                    .arg(module.get(ModuleModel::KeepLog) ? "on" : "off");
  for (int k = 1; k <= log.size(); ++k) {
    const ModuleLog::Record* r = log.at(k);
    out += QStringLiteral("\n  %1: %2 %3 code %4 detail %5%6%7")
               .arg(k)
               .arg(stamp(r->time), kindName(r->kind))
               .arg(r->code)
               .arg(r->extra)
               .arg(r->unread ? ", unread" : "")
               .arg(r->damaged ? ", damaged" : "");
  }
  return out;
}

QString SimConsole::damage(const QStringList& args) {
  ModuleModel& module = bus_.module();
  const std::optional<qint64> k =
      args.size() == 1 ? parseNumber(args[0], 1, 0xFFFF) : std::optional<qint64>();
  if (!k) return QStringLiteral("? usage: damage K (1 = the newest record)");
  if (!module.log().damage(module, int(*k)))
    return QStringLiteral("? no record %1: the log holds %2").arg(*k).arg(module.log().size());
  return QStringLiteral("record %1 reads as damaged").arg(*k);
}

QString SimConsole::clockCommand(const QStringList& args) {
  ModuleModel& module = bus_.module();
  if (args.size() > 1) return QStringLiteral("? usage: clock [SECONDS]");
  module.log().tick(module);
  if (args.size() == 1) {
    const std::optional<qint64> seconds = parseNumber(args[0], 0, 0xFFFFFFFFLL);
    if (!seconds) return QStringLiteral("? SECONDS must be 0..4294967295, not '%1'").arg(args[0]);
    module.setClockSeconds(uint32_t(*seconds));
  }
  return QStringLiteral("module clock %1 (%2)")
      .arg(module.clockSeconds())
      .arg(stamp(module.clockSeconds()));
}
