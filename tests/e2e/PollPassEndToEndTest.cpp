// The worker's poll pass as the program assembles it, on the real QSerialPort over a
// pseudo-terminal to tarvix-sim.
#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <memory>

#include "app/AppContext.h"
#include "sim/SimProcess.h"
#include "support/ScriptedLine.h"
#include "support/WaitUntil.h"

namespace {

TEST(PollPassEndToEnd, TheWorkerBringsTheModuleOnlineAndServesARequest) {
  SimProcess sim({"--firmware", "204", "--revision", "13", "--baud", "115200"});
  ASSERT_TRUE(sim.started());
  QTemporaryDir dir;
  {
    SettingsStore mem(dir.filePath("mem.ini"));
    mem.writeString("connect", "port", sim.path());
    // Room for a busy machine: a reply late by scheduling alone must not fail the read.
    mem.writeInteger("connect", "receive", 1000);
    ASSERT_TRUE(mem.flush());
  }
  RecordingPrompter prompter;
  // On the heap: each test's core at an address of its own, so ThreadSanitizer never mistakes
  // one test's worker for another's on reused stack memory.
  auto owned = std::make_unique<AppContext>(dir.path(), prompter);  // the real serial port
  AppContext& core = *owned;
  core.startWorker();
  ASSERT_TRUE(waitUntil([&] { return bool(core.flags.moduleOnline); }))
      << core.status.text(StatusLine::Link).toStdString();
  EXPECT_EQ(core.status.text(StatusLine::Firmware), "Версия прошивки  204.13");
  EXPECT_EQ(core.status.text(StatusLine::Link), "МОДУЛЬ НА СВЯЗИ");

  core.requests.module[RequestFlags::MainRead] = true;
  ASSERT_TRUE(waitUntil([&] { return !core.requests.module[RequestFlags::MainRead]; }));
  EXPECT_EQ(core.params.tables.rowCount(ParameterTables::Timers), 13);
  bool number = false;
  core.params.tables.cellText(ParameterTables::Timers, 0).toInt(&number);
  EXPECT_TRUE(number);
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_TRUE(core.stopWorker(10000));
}

}  // namespace
