// The short soak: the poll pass and the table reads on a bus with 5 % faulty replies, late
// ones arriving up to the end of the quiet window after their exchange gave up.
#include <gtest/gtest.h>

#include "perf/BusSoak.h"

namespace {

TEST(BusSoak, NoWrongValueReachesATableInsideTheQuietWindow) {
  BusSoakOptions o;
  o.exchanges = 2000;
  o.seed = 12;
  o.lateMaxMs = lateInsideQuietWindowMs(o.baud, o.turnaroundMs);
  const BusSoakResult r = runBusSoak(o);
  EXPECT_EQ(r.latestArrivalAfterGiveUpMs, r.quietWindowMs);
  for (int k = 0; k < kFaultKindCount; ++k)
    EXPECT_GT(r.injected[k], 0) << FaultPlan::name(FaultKind(k));
  EXPECT_GT(r.valuesChecked, 10000);
  EXPECT_EQ(r.wrongValues, 0) << r.examples.join('\n').toStdString();
}

}  // namespace
