#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/ModbusRtuClient.h"
#include "link/SerialPortLink.h"
#include "support/ScriptedLine.h"

// A client on a scripted line with default timings (send 50, sleep 70, receive 50) and an
// open port, on virtual time.
class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture()
      : mem(dir.filePath("mem.ini")),
        line(clock),
        port(line, mem, status),
        client(port, mem, clock) {
    port.openPort("COM1");
  }

  QTemporaryDir dir;
  SettingsStore mem;
  VirtualClock clock;
  StatusLine status;
  RecordingPrompter prompter;
  ScriptedLine line;
  SerialPortLink port;
  ModbusRtuClient client;
};
