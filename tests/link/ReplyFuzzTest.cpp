// Random and mutated replies to the client's read and both writes, and to the frame decoders.
#include <gtest/gtest.h>

#include "perf/ReplyFuzz.h"

TEST(ReplyFuzz, OnlyWellFormedAnswersAreTakenAndRefusalsChangeNothing) {
  const ReplyFuzzResult r = runReplyFuzz(20000, 3);
  EXPECT_EQ(r.wrongAccepts, 0) << r.examples.join('\n').toStdString();
  // Every good reply is taken, with or without bytes after it.
  EXPECT_EQ(r.acceptedOf[ReplyFuzzResult::Valid], r.casesOf[ReplyFuzzResult::Valid]);
  EXPECT_EQ(r.acceptedOf[ReplyFuzzResult::Extended], r.casesOf[ReplyFuzzResult::Extended]);
  EXPECT_EQ(r.acceptedOf[ReplyFuzzResult::BitFlip], 0);
  EXPECT_EQ(r.acceptedOf[ReplyFuzzResult::Truncated], 0);
}
