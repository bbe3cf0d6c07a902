// A serial device server: the port typed as HOST:PORT, tarvix-sim --tcp serving the module on
// the loopback. The worker polls through it, sees the server go, says why, and reconnects.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "app/AppContext.h"
#include "link/LinkSettings.h"
#include "sim/SimProcess.h"
#include "support/ScriptedLine.h"
#include "support/WaitUntil.h"

namespace {

TEST(TcpLinkEndToEnd, PollsThroughTheServerAndReconnectsAfterItWent) {
  QTemporaryDir dir;
  SimProcess sim({"--tcp", "0", "--firmware", "205"});
  ASSERT_TRUE(sim.started());
  const QString name = sim.path();
  ASSERT_TRUE(name.startsWith("127.0.0.1:")) << name.toStdString();
  ASSERT_TRUE(LinkSettings::isNetworkPort(name));
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", name);
    mem.writeInteger("connect", "fast", 1);
    ASSERT_TRUE(mem.flush());
  }
  RecordingPrompter prompter;
  auto owned = std::make_unique<AppContext>(dir.path(), prompter);
  AppContext& core = *owned;
  core.startWorker();
  const auto online = [&] { return bool(core.flags.moduleOnline); };
  ASSERT_TRUE(waitUntil(online)) << core.status.text(StatusLine::Link).toStdString();

  for (int cycle = 0; cycle < 3; ++cycle) {
    SCOPED_TRACE(cycle);
    // A write through the server reaches the module.
    core.requests.module[RequestFlags::ResetCommand] = true;
    ASSERT_TRUE(waitUntil([&] { return !core.requests.module[RequestFlags::ResetCommand]; }));

    ASSERT_EQ(sim.command("unplug"), "adapter unplugged: " + name + " is gone");
    // The connection drops; reconnecting is refused, and the status line says so with the
    // system's reason.
    ASSERT_TRUE(waitUntil([&] {
      return core.status.text(StatusLine::Link).startsWith(QStringLiteral("Нет связи с портом: "));
    })) << core.status.text(StatusLine::Link).toStdString();
    EXPECT_FALSE(online());

    ASSERT_EQ(sim.command("plug"), "adapter plugged in: " + name);
    ASSERT_TRUE(waitUntil(online)) << core.status.text(StatusLine::Link).toStdString();
  }
  EXPECT_TRUE(core.stopWorker(10000));
  EXPECT_TRUE(prompter.boxes.empty());
}

}  // namespace
