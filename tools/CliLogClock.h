#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "operation/DateFields.h"

struct OperationContext;

// tarvix-cli's "log" and "clock" commands, on the operations of the log and time page.
struct LogClockCommand {
  enum What { Log, ShowClock, SetClock } what = Log;
  QString count;      // log: records to fetch, as typed; empty for all unread
  DateFields fields;  // clock set: the time to write
  QString refusal;    // clock set: why the time given cannot be written; empty when it can
};

// Reads "log [COUNT]", "clock", "clock set" (the computer's local time) and
// "clock set YYYY MM DD hh mm ss"; false with the reason for a usage error. A time the module
// cannot take is no usage error: it leaves its refusal in the command.
bool parseLogClockCommand(const QString& command, const QStringList& args, LogClockCommand* out,
                          QString* why);

// Carries the command out over an open port; the exit code (0, or 1 after a failure).
int runLogClockCommand(const LogClockCommand& command, const OperationContext& ctx,
                       QTextStream& out, QTextStream& err);
