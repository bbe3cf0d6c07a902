// Files survive a crash: a child writing the settings files, a parameter file and the journal
// with the program's code, killed with SIGKILL at random moments; and a full disk.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "perf/CrashLoop.h"

namespace {

TEST(CrashLoop, EveryFileIsOldOrNewAfterAKill) {
  QTemporaryDir dir;
  const CrashLoopResult r = runCrashLoop(dir.path(), 20, 7);
  EXPECT_EQ(r.intactRuns, r.runs) << r.problems.join('\n').toStdString();
  EXPECT_GT(r.journalLines, 0);
}

TEST(CrashLoop, FullDiskSaysErrorAndKeepsTheOldFiles) {
  QTemporaryDir dir;
  ASSERT_EQ(writeOnceAndCheck(dir.path(), -1).exitCode, 0);  // the files to keep
  const FailedWriteResult r = writeOnceAndCheck(dir.path(), 100);
  EXPECT_EQ(r.failedKept, 4) << r.boxes.join('\n').toStdString();
  EXPECT_TRUE(r.wrong.isEmpty()) << r.wrong.join(", ").toStdString();
  EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
