// The USB adapter pulled out and put back under the polling worker, on the real QSerialPort:
// tarvix-sim's console makes its pseudo-terminal vanish and come back at the same path.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include "app/AppContext.h"
#include "sim/SimProcess.h"
#include "support/ScriptedLine.h"
#include "support/WaitUntil.h"

namespace {

TEST(AdapterReplugEndToEnd, TheWorkerRecoversAndServesTheWriteAskedForMeanwhile) {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttySIM");
  // A push takes longer than the test: register 8 reads 1 until the reset that starts a cycle.
  SimProcess sim({"--link", link, "--baud", "115200", "--travel-ms", "600000"});
  ASSERT_TRUE(sim.started());
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", link);
    ASSERT_TRUE(mem.flush());
  }
  RecordingPrompter prompter;
  // On the heap: each test's core at an address of its own, so ThreadSanitizer never mistakes
  // one test's worker for another's on reused stack memory.
  auto owned = std::make_unique<AppContext>(dir.path(), prompter);  // the real serial port
  AppContext& core = *owned;
  std::atomic<int> passes{0};
  QObject::connect(
      &core.status, &StatusLine::pollTimerChanged, &core.status,
      [&](bool on) {
        if (!on) ++passes;  // the first thing of every pass
      },
      Qt::DirectConnection);
  core.startWorker();
  const auto online = [&] { return bool(core.flags.moduleOnline); };
  ASSERT_TRUE(waitUntil(online)) << core.status.text(StatusLine::Link).toStdString();

  for (int cycle = 0; cycle < 5; ++cycle) {
    SCOPED_TRACE(cycle);
    core.requests.module[RequestFlags::ResetCommand] = true;
    ASSERT_TRUE(waitUntil([&] { return !core.requests.module[RequestFlags::ResetCommand]; }));
    ASSERT_EQ(sim.command("get 8"), "8 = 0");
    ASSERT_EQ(sim.command("unplug"), "adapter unplugged: " + link + " is gone");
    // The port itself is gone: the worker closes it and fails to open it again.
    ASSERT_TRUE(waitUntil([&] {
      return core.status.text(StatusLine::Link) == QStringLiteral("Ошибка открытия порта");
    }));
    EXPECT_FALSE(online());
    core.requests.module[RequestFlags::Push] = true;

    ASSERT_EQ(sim.command("plug"), "adapter plugged in: " + link);
    const int passesAtPlug = passes;
    ASSERT_TRUE(waitUntil(online)) << core.status.text(StatusLine::Link).toStdString();
    EXPECT_LE(passes - passesAtPlug, 2);
    ASSERT_TRUE(waitUntil([&] { return !core.requests.module[RequestFlags::Push]; }));
    EXPECT_EQ(sim.command("get 8"), "8 = 1");
  }
  EXPECT_TRUE(core.stopWorker(10000));
  EXPECT_TRUE(prompter.boxes.empty());
}

}  // namespace
