#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "app/AppContext.h"
#include "link/CommThread.h"
#include "support/ScriptedLine.h"
#include "support/WaitUntil.h"

namespace {

struct WorkerFixture : ::testing::Test {
  QTemporaryDir dir;
  VirtualClock clock;
  RecordingPrompter prompter;
};

TEST_F(WorkerFixture, WorkerShowsOpenFailureAndEndsOnRequest) {
  auto line = std::make_unique<ScriptedLine>(clock);
  line->failOpen = true;
  AppContext core(dir.path(), prompter, std::move(line), clock);
  core.startWorker();
  ASSERT_TRUE(waitUntil([&] { return !core.status.text(StatusLine::Link).isEmpty(); }));
  EXPECT_EQ(core.status.text(StatusLine::Link), "Ошибка открытия порта");
  EXPECT_FALSE(core.flags.moduleOnline);

  EXPECT_TRUE(core.stopWorker(10000));
  EXPECT_FALSE(core.flags.workerStopRequest);  // the worker's last act
  EXPECT_FALSE(core.port().isOpen());
}

TEST_F(WorkerFixture, WorkerOpensThePortNamedInMemIni) {
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", "COM3");
    ASSERT_TRUE(mem.flush());
  }
  auto owned = std::make_unique<ScriptedLine>(clock);
  ScriptedLine* line = owned.get();
  AppContext core(dir.path(), prompter, std::move(owned), clock);
  EXPECT_EQ(core.flags.maxFirmwareVersion, 205);
  core.startWorker();
  ASSERT_TRUE(waitUntil([&] { return core.port().isOpen(); }));
  EXPECT_TRUE(core.stopWorker(10000));
  EXPECT_EQ(line->openCount, 1);
}

}  // namespace
