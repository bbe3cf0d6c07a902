#pragma once

class AppCore;

// One pass of the worker: keeps the port open and (as the subsystems land) identifies the
// module, reads its status and serves the window's requests.
class PollCycle {
 public:
  explicit PollCycle(AppCore& core) : core_(core) {}
  void pollPass();

  static constexpr unsigned kIdlePauseMs = 200;

 private:
  AppCore& core_;
};
