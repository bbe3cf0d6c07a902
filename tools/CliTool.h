#pragma once

#include <QStringList>
#include <QTextStream>

class Clock;
class FrameObserver;
class SerialLine;
class SettingsStore;

// tarvix-cli: quick checks and scripts on a real line, on the same client as the window.
// Link and timing settings come from mem.ini in the working directory.
class CliTool {
 public:
  enum Exit { Ok = 0, Failure = 1, Usage = 2, Differs = 3 };  // Differs: params-diff

  // Without a line the real serial port is used.
  CliTool(QTextStream& out, QTextStream& err, SerialLine* line = nullptr, Clock* clock = nullptr);
  int run(const QStringList& args);  // arguments without the program name

  static QString usage();

 private:
  // params-save, params-load and params-diff: the main tab's tables and a parameter file.
  int runParameterFile(const QString& command, const QString& file, SettingsStore& mem);

  QTextStream& out_;
  QTextStream& err_;
  SerialLine* line_;
  Clock* clock_;
  FrameObserver* trace_ = nullptr;  // --trace, for the run
};
