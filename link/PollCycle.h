#pragma once

#include <array>
#include <deque>
#include <functional>
#include <mutex>

#include "link/LinkContext.h"
#include "link/RequestFlags.h"

// One pass of the worker: keeps the port open, runs the registered steps of the subsystems in
// their fixed order around the status read, and serves the window's requests. The link itself
// knows nothing of what the steps do.
class PollCycle {
 public:
  // Steps the subsystems plug in; a step left empty is skipped (a missing firmware step or
  // status read counts as failed).
  struct Steps {
    std::function<void()> passStart;    // before the port, with the module online
    std::function<bool()> identify;     // firmware step; true for a supported version
    std::function<void()> sample;       // one diagram sample
    std::function<bool()> readStatus;   // true marks the module online
    std::function<void()> clearStatus;  // blanks what the status read showed
    std::function<void()> benchOnline;  // bench requests served only with the module online
    std::function<void()> benchAlways;  // bench requests of every pass with an open port
    std::function<void(bool portOpen)> passEnd;  // the cycle state machine, on every pass
  };

  explicit PollCycle(const LinkContext& link) : link_(link) {}
  void setSteps(Steps steps) { steps_ = std::move(steps); }
  Steps& steps() { return steps_; }

  void pollPass();

  // The operation that serves a module request; it returns its success. A request without an
  // operation stays raised.
  using Operation = std::function<bool()>;
  void setOperation(RequestFlags::Module request, Operation op);

  // Work for the bus that the window hands over (any thread): run by the next pass with an
  // open port, between two exchanges, in the order posted.
  void post(std::function<void()> job);

  static constexpr unsigned kIdlePauseMs = 200;
  static constexpr unsigned kFailedPollPauseMs = 200;

 private:
  void openPortIfNeeded();
  void serveModuleRequests();
  void blankStatus();
  // While the module does not answer, a write, command or module-link request the user made
  // waits: the progress panel says so, and goes when the module is back.
  void showWaitingRequests(bool online);
  void runJobs();

  LinkContext link_;
  Steps steps_;
  std::array<Operation, RequestFlags::ModuleRequestCount> operations_;
  std::mutex jobsMutex_;
  std::deque<std::function<void()>> jobs_;
  bool waitingShown_ = false;
};
