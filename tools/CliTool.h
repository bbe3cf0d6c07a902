#pragma once

#include <QStringList>
#include <QTextStream>
#include <memory>

#include "core/Prompter.h"
#include "tools/StreamPrompter.h"

class BenchSession;
class CliTrace;
class Clock;
class SerialLine;

// tarvix-cli: quick checks and scripts on a real line, on the same session as the window.
// Link and timing settings come from mem.ini in the working directory.
class CliTool {
 public:
  // Differs: params-diff found a difference; scan found nothing.
  enum Exit { Ok = 0, Failure = 1, Usage = 2, Differs = 3 };

  // Without a line the real serial port is used.
  CliTool(QTextStream& out, QTextStream& err, SerialLine* line = nullptr, Clock* clock = nullptr);
  ~CliTool();
  int run(const QStringList& args);  // arguments without the program name

  static QString usage();

 private:
  // One command: its name as typed and its arguments; the exit code.
  using Command = int (CliTool::*)(const QString& name, const QStringList& args);
  static Command commandNamed(const QString& name);

  int identify(const QString& name, const QStringList& args);
  int read(const QString& name, const QStringList& args);
  int write(const QString& name, const QStringList& args);
  // params-save, params-load and params-diff: the main tab's tables and a parameter file.
  int parameterFile(const QString& name, const QStringList& args);
  int logOrClock(const QString& name, const QStringList& args);
  int moduleCommand(const QString& name, const QStringList& args);
  int productionTest(const QString& name, const QStringList& args);
  int reports(const QString& name, const QStringList& args);
  int scan(const QString& name, const QStringList& args);
  // With the fixed pause: a block whose line time does not fit sleep + receive is refused
  // before it is sent, with the shortfall; 0 when it may go.
  int refuseLongBlock(int requestBytes, int replyBytes, int count);

  // Global options (before the command) into the session's memory copy of mem.ini, which is
  // never flushed from here; false with the usage error.
  bool takeOptions(QStringList& args, QString* why);
  // Opens the port; false (the status line's text on standard error) when it is shut.
  bool openPort();
  int fail(const QString& text);
  int bad(const QString& why);

  QTextStream& out_;
  QTextStream& err_;
  SerialLine* line_;
  Clock& clock_;
  StreamPrompter prompter_;
  QuietPrompter quiet_;  // the test's closing boxes: the command prints their text itself
  std::unique_ptr<CliTrace> trace_;        // --trace, for the run
  std::unique_ptr<BenchSession> session_;  // for the run
};
