#pragma once

#include <atomic>

// Flags shared by the window and the worker thread. Each is written by one thread and read
// (and cleared) by the other.
struct LinkFlags {
  std::atomic_bool moduleOnline{false};
  std::atomic_bool valuesShown{false};
  std::atomic_bool linkSuspended{false};
  std::atomic_bool workerStopRequest{false};
  std::atomic_bool testRunning{false};
  std::atomic_bool portReopenRequest{false};
  std::atomic_int firmwareVersion{0};
  int maxFirmwareVersion = 205;  // set once at start-up
};
