#pragma once

#include <array>
#include <functional>

#include "link/RequestFlags.h"
#include "params/Identification.h"
#include "params/StatusReader.h"

class AppCore;

// One pass of the worker: keeps the port open, identifies the module when it is not online,
// reads its status and serves the window's requests.
class PollCycle {
 public:
  explicit PollCycle(AppCore& core);
  void pollPass();

  // The operation that serves a module request; it returns its success. A request without an
  // operation stays raised.
  using Operation = std::function<bool()>;
  void setOperation(RequestFlags::Module request, Operation op);

  static constexpr unsigned kIdlePauseMs = 200;
  static constexpr unsigned kFailedPollPauseMs = 200;

 private:
  void serveModuleRequests();
  void serveBenchRequests();

  AppCore& core_;
  Identification identification_;
  StatusReader statusReader_;
  std::array<Operation, RequestFlags::ModuleRequestCount> operations_;
};
