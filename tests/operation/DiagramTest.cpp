// The main diagram sampled by the poll pass, and the test diagram's points.
#include <gtest/gtest.h>

#include "operation/Diagram.h"
#include "operation/OperationSession.h"
#include "support/SimSession.h"

namespace {

class DiagramTest : public ::testing::Test, public SimSession<OperationSession> {
 protected:
  void SetUp() override {
    for (uint16_t i = 0; i < 16; ++i) bus.module().set(uint16_t(256 + i), uint16_t(100 + i));
    bus.module().setReadHook([this](uint16_t first, uint16_t count) {
      if (count == 1 && first >= 256 && first < 272) samples.push_back(first);
    });
    ASSERT_TRUE(online());
  }
  DiagramState& diagram() { return core->operation.diagram; }
  int plotted() { return diagram().pointsSince(DiagramState::Main, 0).total; }
  std::vector<int> samples;
};

// The control state goes 0, 1, 1, 1, 3: three samples, the plot emptied at the first 1.
TEST_F(DiagramTest, ARecordingPerMotion) {
  diagram().drawing = true;
  diagram().add(DiagramState::Main, 0, 1);  // a point of an earlier motion
  core->params.diagramValueIndex = 2;
  for (int state : {0, 1, 1, 1, 3, 0}) {
    bus.module().set(11, uint16_t(state));
    cycle->pollPass();
  }
  // The sample of a pass sees the state the previous pass read.
  EXPECT_EQ(samples, (std::vector<int>{258, 258, 258}));
  EXPECT_EQ(plotted(), 3);
  EXPECT_EQ(diagram().lastValue, 102);
  EXPECT_FALSE(diagram().recording);
  EXPECT_FALSE(core->params.outputsPaused);
}

TEST_F(DiagramTest, ManualClearingKeepsEarlierMotionsAndUndrawnValuesAreStillShown) {
  diagram().clearManually = true;
  diagram().drawing = false;
  for (int state : {1, 1, 0, 1, 1, 0}) {
    bus.module().set(11, uint16_t(state));
    cycle->pollPass();
  }
  EXPECT_EQ(samples.size(), 4u);  // two motions of two passes each
  EXPECT_EQ(plotted(), 0);        // not drawn
  EXPECT_EQ(diagram().lastValue, 100);
  diagram().drawing = true;
  for (int state : {1, 1, 0, 1, 1, 0}) {
    bus.module().set(11, uint16_t(state));
    cycle->pollPass();
  }
  EXPECT_EQ(plotted(), 4);  // both motions kept
}

// Off line during a motion the state counts as 0; back on line with state 1 is a new motion.
TEST_F(DiagramTest, LinkLossEndsTheRecording) {
  diagram().drawing = true;
  bus.module().set(11, 1);
  cycle->pollPass();
  cycle->pollPass();
  EXPECT_TRUE(diagram().recording);
  EXPECT_TRUE(core->params.outputsPaused);  // the outputs are skipped while drawing
  bus.setModulePlugged(false);
  cycle->pollPass();
  cycle->pollPass();
  EXPECT_FALSE(diagram().recording);
  const uint64_t generation = diagram().pointsSince(DiagramState::Main, 0).generation;
  bus.setModulePlugged(true);
  cycle->pollPass();
  cycle->pollPass();
  EXPECT_TRUE(diagram().recording);
  EXPECT_NE(diagram().pointsSince(DiagramState::Main, 0).generation, generation);
}

TEST_F(DiagramTest, TimeAxisEndsAfterTheLastSample) {
  diagram().add(DiagramState::Test, 2.3, 5);
  EXPECT_EQ(diagram().pointsSince(DiagramState::Test, 0).axisMax, 4);
  diagram().add(DiagramState::Test, 3.0, 5);
  EXPECT_EQ(diagram().pointsSince(DiagramState::Test, 0).axisMax, 4);

  diagram().testTimeBase = clock.tick();
  clock.advance(1500);
  addTestDiagramPoint(core->operationContext(), 77);
  const DiagramState::Points p = diagram().pointsSince(DiagramState::Test, 2);
  ASSERT_EQ(p.x.size(), 1);
  EXPECT_DOUBLE_EQ(p.x[0], 1.5);
  EXPECT_EQ(p.y[0], 77);
  EXPECT_EQ(p.axisMax, 3);
}

}  // namespace
