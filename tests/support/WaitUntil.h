#pragma once

#include <QThread>
#include <chrono>
#include <functional>

// Waits for another thread (the worker, a child process) to make `done` true; false when it
// has not within `limit`. For tests that run real threads; everything else uses virtual time.
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QThread::msleep(1);
  }
  return true;
}
