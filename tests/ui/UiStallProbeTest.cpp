// The window-thread stall probe on given heartbeat times.
#include <gtest/gtest.h>

#include "app/ui/UiStallProbe.h"

namespace {

TEST(UiStallProbe, ReportsTheLongestGapOfEachPeriod) {
  UiStallProbe probe;
  std::vector<QByteArray> lines;
  auto beats = [&](qint64 from, qint64 to) {
    for (qint64 t = from; t <= to; t += UiStallProbe::kHeartbeatMs)
      if (const auto line = probe.beat(t)) lines.push_back(*line);
  };
  beats(0, 1000);
  beats(1030, 4995);  // one stall of 30 ms
  EXPECT_TRUE(lines.empty());
  beats(5000, 5000);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "ui-stall-ms 30\n");
  beats(5005, 10000);  // a quiet period: the heartbeat itself
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "ui-stall-ms 5\n");
  beats(10250, 15250);  // a stall at the start of a period counts in it
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "ui-stall-ms 250\n");
}

}  // namespace
