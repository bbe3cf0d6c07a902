#pragma once

#include <QString>
#include <QStringList>

#include "bench/BenchContext.h"

// The production test of one module (runTestSequence): the bench and the module prepared, then
// the enabled steps in their fixed order (input run test, output run test, motor test, overload
// test, short-circuit test, final motor test), and the verdict on the motor current. It runs on
// the worker in place of the poll pass while testRunning is set; "Стоп" clears the flag, and
// the steps look at it where they say.
class TestRunner {
 public:
  explicit TestRunner(const BenchContext& ctx) : ctx_(ctx) {}

  // One complete run. It returns with testRunning still set only when the input test could not
  // switch R16 off at its start: the worker then starts the run again.
  void runTestSequence();

  bool runMotorSeries(int passes);
  bool runOverloadSeries(int passes);
  bool runShortSeries(int passes);

  // The six steps with their enable keys in tp.ini (default 1) and the names the steps dialog
  // and the reports give them.
  struct Step {
    const char* section;
    const char* key;
    const char* caption;
  };
  static constexpr int kSteps = 6;
  static const Step& step(int index);
  static bool enabled(const SettingsStore& tp, int index);

  // "Старт": with the module online a run is asked for (recorded under `serial`) and the test
  // plot emptied; false when nothing starts. The final-test plot flag is cleared either way
  // unless a run is already going.
  static bool startTest(const BenchContext& ctx, const QString& serial);
  // "Стоп": the running step ends at its next look at the flag.
  static void stopTest(const BenchContext& ctx);

  static QString finalMessage(bool fineWindowKept);

 private:
  // A run that failed while the test still runs ends the test with the series' text.
  bool check(bool ok, const QString& text, const QString& caption);
  // Settings as the report lists them: "section/key=value".
  QStringList usedSettings() const;
  void beginAttempt();
  // The bench at rest, the settings saved, the unit read and recorded; the captions of the
  // steps this run makes.
  QStringList prepareRun();
  // Step `index` of the step table; its success.
  bool runStep(int index);
  // Every step passed: the bench reset, the unit put back as it came, the verdict.
  void concludePassedRun();
  // The runner's own exits: the bench reset, the unit put back as it came, the run recorded
  // when it is over. `stepFailed`: the step returned failure (else the run was stopped).
  void leave(bool stepFailed);

  const BenchContext& ctx_;
};
