#pragma once

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
  // The R16 words of the steps, or false after a red row naming the bad value.
  bool stepWords(bool outputs, int steps, QVector<uint16_t>* words, QStringList* names);
  // A red row, then the test ends as a failed step ends it.
  bool refuse(bool outputs, const QString& text);

  const BenchContext& ctx_;
};
