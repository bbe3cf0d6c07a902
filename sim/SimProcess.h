#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// tarvix-sim started as a child process on a pseudo-terminal; path() is the terminal to open.
class SimProcess {
 public:
  explicit SimProcess(const QStringList& args);
  ~SimProcess();
  bool started() const { return !path_.isEmpty(); }
  const QString& path() const { return path_; }
  // Types a console command and returns the first line of its reply (empty when none came
  // within 5 s).
  QString command(const QString& line);
  static QString executable();

 private:
  QProcess process_;
  QString path_;
};
