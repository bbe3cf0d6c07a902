#include <gtest/gtest.h>

#include "BenchSim.h"

namespace {

TEST(TestRunnerSmoke, Prints) {
  BenchSim sim;
  ASSERT_TRUE(sim.startAndRun());
  for (const QString& r : sim.rows()) printf("%s\n", qPrintable(r));
  for (const QString& r : sim.writes) printf("%s\n", qPrintable(r));
  for (const QString& r : sim.boxes()) printf("%s\n", qPrintable(r));
}

}  // namespace
