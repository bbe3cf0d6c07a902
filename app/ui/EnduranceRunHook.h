#pragma once

#include <QObject>
#include <QTimer>
#include <cstdio>

class MainWindow;

// Test automation for the long-run benchmark (perf/long_run.sh), off unless the environment
// variable TARVIX_ENDURANCE_RUN is set. Once the module is online and no dialog is open, it
// ticks "Рисовать диаграмму" and presses the cycles' "Старт" as a user would; from then on it
// prints to standard error every 5 s a line "pass-ms MEAN MAX COUNT" of the poll passes that
// ended in those 5 s. It changes nothing the user could not change by hand.
class EnduranceRunHook : public QObject {
 public:
  static constexpr const char* kEnvironmentVariable = "TARVIX_ENDURANCE_RUN";
  static constexpr int kReportMs = 5000;

  explicit EnduranceRunHook(MainWindow& form, std::FILE* out = stderr);
  void start();

 private:
  void startWhenReady();
  void passEnded(int ms);
  void report();

  MainWindow& form_;
  std::FILE* out_;
  QTimer ready_;
  QTimer report_;
  bool started_ = false;
  qint64 sum_ = 0;
  int max_ = 0;
  int count_ = 0;
};
