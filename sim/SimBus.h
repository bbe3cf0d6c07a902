#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>

#include "sim/BenchModule.h"
#include "sim/FaultPlan.h"
#include "sim/ModuleModel.h"

// The simulated bus: the motor-drive module and the two bench modules behind one line.
// respond() takes one complete request frame and returns what goes back on the line.
class SimBus {
 public:
  SimBus();

  struct Reply {
    QByteArray bytes;           // empty: nobody answers
    uint32_t extraDelayMs = 0;  // a late reply arrives this much after the normal turnaround
  };
  Reply respond(const QByteArray& request);

  ModuleModel& module() { return module_; }
  BenchModule& r16() { return r16_; }
  BenchModule& d8r4() { return d8r4_; }
  FaultPlan& faults() { return faults_; }

 private:
  ModuleModel module_;
  BenchModule r16_;
  BenchModule d8r4_;
  FaultPlan faults_;
};
