// Push, pull and reset through the poll pass against the simulated module.
#include <gtest/gtest.h>

#include "operation/Commands.h"
#include "operation/OperationSession.h"
#include "support/SimSession.h"

namespace {

class CommandsTest : public ::testing::Test, public SimSession<OperationSession> {
 protected:
  void SetUp() override {
    bus.module().setWriteHook([this](uint16_t first, uint16_t) { written.push_back(first); });
    ASSERT_TRUE(online());
  }
  std::vector<int> written;
};

TEST_F(CommandsTest, ABusyCommandIsNotSentAgainAndCountsAsDone) {
  bus.module().set(command::kPush, 1);  // the module executes a push already
  cycle->pollPass();                    // the control block is read
  core->requests.module[RequestFlags::Push] = true;
  cycle->pollPass();
  EXPECT_TRUE(written.empty());
  EXPECT_FALSE(core->requests.module[RequestFlags::Push]);
  EXPECT_TRUE(prompter.boxes.empty());

  bus.module().set(command::kPush, 0);
  cycle->pollPass();
  core->requests.module[RequestFlags::Pull] = true;
  cycle->pollPass();
  EXPECT_EQ(written, std::vector<int>{command::kPull});
}

// A push that fails is told once and not repeated; a failing reset is tried every pass until
// it succeeds.
TEST_F(CommandsTest, FailingPushIsNotRepeatedFailingResetIs) {
  int writesSeen = 0;
  bus.module().setWriteHook([&](uint16_t first, uint16_t) {
    ++writesSeen;
    bus.module().set(first, 0);  // done at once: the next attempt does not find it busy
  });
  // Attempts that are never confirmed: the replies to the writes are dropped.
  auto dropWriteReplies = [&](bool on) {
    bus.faults().clear();
    if (on) bus.faults().failAlways(FaultKind::Drop);
  };
  core->requests.module[RequestFlags::Push] = true;
  core->requests.module[RequestFlags::ResetCommand] = true;
  // The status read must still pass: drop only while the requests are served.
  cycle->setOperation(RequestFlags::Push, [&] {
    dropWriteReplies(true);
    const bool ok = sendCommand(core->operationContext(), command::kPush, command::kPush);
    dropWriteReplies(false);
    return ok;
  });
  int resets = 0;
  cycle->setOperation(RequestFlags::ResetCommand, [&] {
    dropWriteReplies(++resets < 3);
    const bool ok = sendCommand(core->operationContext(), command::kReset, command::kReset);
    dropWriteReplies(false);
    return ok;
  });
  cycle->pollPass();
  EXPECT_FALSE(core->requests.module[RequestFlags::Push]);
  EXPECT_TRUE(core->requests.module[RequestFlags::ResetCommand]);
  ASSERT_EQ(prompter.boxes.size(), 2u);  // the push and the first reset
  EXPECT_EQ(prompter.boxes[0].caption, "Ошибка");
  EXPECT_EQ(prompter.boxes[0].text, "Ошибка подтверждения записи из модуля");
  cycle->pollPass();
  EXPECT_TRUE(core->requests.module[RequestFlags::ResetCommand]);
  EXPECT_EQ(prompter.boxes.size(), 3u);
  cycle->pollPass();
  EXPECT_FALSE(core->requests.module[RequestFlags::ResetCommand]);
  EXPECT_EQ(resets, 3);
  EXPECT_EQ(prompter.boxes.size(), 3u);
  EXPECT_EQ(writesSeen, 5 + 5 + 5 + 1);  // every attempt reached the module
}

TEST(FeedbackInputs, ByInputMap) {
  EXPECT_EQ(selectFeedbackInputs(1).pushRow, 23 - 16);
  EXPECT_EQ(selectFeedbackInputs(1).pullRow, 24 - 16);
  for (int map : {-1, 0, 2}) {
    EXPECT_EQ(selectFeedbackInputs(map).pushRow, 27 - 16);
    EXPECT_EQ(selectFeedbackInputs(map).pullRow, 26 - 16);
  }
}

TEST_F(CommandsTest, InputMapIsReadFromFirmware200) {
  bus.module().set(76, 1);
  core->requests.module[RequestFlags::InputMap] = true;
  cycle->pollPass();
  EXPECT_EQ(core->operation.inputMap, 1);
  bus.module().installFirmware(104);
  core->requests.identify = true;
  ASSERT_TRUE(online());
  core->requests.module[RequestFlags::InputMap] = true;
  cycle->pollPass();
  EXPECT_EQ(core->operation.inputMap, -1);
}

}  // namespace
