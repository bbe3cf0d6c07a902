#pragma once

#include <QStringList>
#include <QTextStream>

#include "link/ModuleScan.h"

class Session;

// tarvix-cli scan [--addresses A-B] [--speeds 9600,19200,...]: "Поиск модулей" from a
// terminal. One line per module found on standard output,
//   ADDRESS;BAUD;FIRMWARE;REVISION;PARITY;STOPBITS
// (parity none, even or odd; stop bits 1 or 2; FIRMWARE and REVISION empty for a device that
// answered without a firmware version, another kind of module); progress on standard error.

// The plan the arguments ask for; false with the usage error.
bool parseScanArguments(const QStringList& args, ScanPlan* plan, QString* why);
// Runs it on the session's open port; the exit code: 0 found one or more, 3 none, 1 the port
// failed. Ctrl-C ends the search early, with what was found so far.
int runCliScan(QTextStream& out, QTextStream& err, Session& session, const ScanPlan& plan);
// One line of standard output for a module found.
QString scanLine(const FoundModule& m);
