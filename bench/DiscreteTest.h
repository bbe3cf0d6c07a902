#pragma once

#include <QStringList>
#include <QVector>
#include <optional>

#include "bench/BenchContext.h"

// The run tests of the module's digital inputs and outputs (runDiscreteTest). Input test: R16
// drives each input in turn through the bench wiring, and the module's input block must show
// exactly that input for the whole hold time. Output test: R16 applies each output step's code,
// and D8R4 input r must show the output as the alarm relay logic (register 131) expects.
class DiscreteTest {
 public:
  explicit DiscreteTest(const BenchContext& ctx) : ctx_(ctx) {}

  // Worker, with testRunning set. A failure of the initial R16 reset (input test) returns
  // false without ending the test, so the runner starts over; every other failure ends the
  // test through abortTest.
  bool run(bool outputs);

  static constexpr uint32_t kSettleMs = 150;

 private:
  // What a run is to do, as the test settings give it.
  struct Plan {
    bool outputs = false;
    int passes = 0, pause = 0, hold = 0;  // pause and hold in milliseconds
    QVector<uint16_t> words;              // the R16 word of each step
    QStringList names;
    uint16_t logic = 0;  // AlarmRelayLogic: what an output is to show
  };
  // The run's settings and step words; nothing after the red row of a refusal.
  std::optional<Plan> plan(bool outputs);
  // One poll of step k: the module's input block, or D8R4's input word.
  struct Poll {
    bool answered = false, wrong = false;
    QString shown, seen;  // in the grid's row and in the report
  };
  Poll poll(const Plan& plan, int k);
  enum class Step { Passed, Failed, Stopped };
  // Step k: its word, the polls through the hold time, its report row, the bench at rest.
  Step runStep(const Plan& plan, int k);
  void benchFailure(const QString& text);
  // The R16 words of the steps, or false after a red row naming the bad value.
  bool stepWords(bool outputs, int steps, QVector<uint16_t>* words, QStringList* names);
  // A red row, then the test ends as a failed step ends it.
  bool refuse(bool outputs, const QString& text);

  const BenchContext& ctx_;
};
