#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/BenchModule.h"
#include "sim/FaultPlan.h"
#include "sim/ModuleModel.h"
#include "sim/SimBench.h"

// The simulated bus: the motor-drive module and the two bench modules behind one line (and
// further modules a test adds). respond() takes one complete request frame and returns what
// goes back on the line. A frame with a bad CRC, or for an address nobody has, gets no reply,
// as on a real bus; a broadcast (address 0) is carried out by every device and answered by
// none. A device hears only requests sent at its own line settings (SlaveDevice::hears).
// Faults of the plan apply to the module's replies (and the bench's when the plan says so).
class SimBus {
 public:
  SimBus();

  struct Reply {
    QByteArray bytes;           // empty: nobody answers
    uint32_t extraDelayMs = 0;  // a late reply arrives this much after the normal turnaround
  };
  // `line`: the settings the request was sent at; null when the transport does not know them
  // (every device hears it then).
  Reply respond(const QByteArray& request, const LineSettings* line = nullptr);

  ModuleModel& module() { return module_; }
  BenchModule& r16() { return r16_; }
  BenchModule& d8r4() { return d8r4_; }
  FaultPlan& faults() { return faults_; }
  // One more motor-drive module on the same line (no faults, no bench wiring), on the bus's
  // clock.
  ModuleModel& addModule(uint8_t address);

  // The USB adapter hears its own request and sends it back ahead of the reply; the transports
  // (the pseudo-terminal, TCP, the in-memory line) do as it says.
  void setAdapterEcho(bool echo) { adapterEcho_ = echo; }
  bool adapterEcho() const { return adapterEcho_; }

  // The clock the devices' time-driven behaviour runs on (a motion, a trip); the transport
  // that serves the bus sets its own, so a virtual-time test sees a 3 s travel pass at once.
  void setClock(Clock& clock);

  // Wires the bench modules to the module as the description says (addresses included); from
  // then on every request sees the wiring up to date.
  void attachBench(const BenchDescription& description);
  // The wiring, or null when the bench modules stand alone.
  SimBench* bench() { return bench_.get(); }
  const SimBench* bench() const { return bench_.get(); }

  // The device at `address` that hears `line` (null: any), or null.
  SlaveDevice* device(uint8_t address, const LineSettings* line = nullptr);

  // An unplugged module hears nothing and answers nothing, as with its cable pulled; the bench
  // modules stay on the line.
  void setModulePlugged(bool plugged) { modulePlugged_ = plugged; }
  bool modulePlugged() const { return modulePlugged_; }

  // respond() itself takes no lock; a transport serving the bus from its own thread (PtyServer)
  // holds this around it, and so must anyone who changes the devices meanwhile.
  std::mutex& mutex() { return mutex_; }

 private:
  Reply serve(uint8_t address, const QByteArray& pdu, const LineSettings* line);
  bool hears(const SlaveDevice& d, const LineSettings* line) const;

  ModuleModel module_;
  std::vector<std::unique_ptr<ModuleModel>> moreModules_;
  Clock* clock_ = nullptr;
  bool adapterEcho_ = false;
  BenchModule r16_;
  BenchModule d8r4_;
  FaultPlan faults_;
  std::unique_ptr<SimBench> bench_;
  bool modulePlugged_ = true;
  std::mutex mutex_;
};
