#pragma once

#include <QString>
#include <memory>

#include "bench/BenchContext.h"
#include "bench/BenchState.h"
#include "core/Clock.h"
#include "core/ProgressLine.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "core/Variant.h"
#include "link/BusMonitor.h"
#include "link/FrameRecorder.h"
#include "link/LinkContext.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "link/ModuleLinkParams.h"
#include "link/PollCycle.h"
#include "link/RequestFlags.h"
#include "link/SerialLine.h"
#include "link/SerialPortLink.h"
#include "link/WriteJournal.h"
#include "operation/OperationContext.h"
#include "operation/OperationState.h"
#include "params/ParameterState.h"

class CommThread;
class Prompter;

// The composition root without windows: the settings stores, the port and the client, the
// state of every subsystem, the contexts their operations take, and the poll pass assembled
// from the subsystems' steps. The main window owns one and draws its state.
class AppContext {
 public:
  // `directory` holds mem.ini, tp.ini, prof.ini, tarvix.log and the variant marker. Without a
  // line the real serial port is used.
  AppContext(const QString& directory, Prompter& prompter,
             std::unique_ptr<SerialLine> line = nullptr, Clock& clock = SteadyClock::instance());
  // Stops the worker within kWorkerJoinMs.
  ~AppContext();

  Clock& clock;
  Prompter& prompter;
  SettingsStore mem;
  SettingsStore tp;
  SettingsStore prof;
  Variant variant;
  StatusLine status;
  ProgressLine progress;
  SessionJournal journal;
  LinkFlags flags;
  RequestFlags requests;
  ModuleLinkParams linkParams;  // the module link dialog and the worker share it
  ParameterState params;
  OperationState operation;
  BenchState bench;
  // The traffic monitor: the client notes frames in the recorder, the monitor takes them.
  FrameRecorder frameRecorder;
  BusMonitor busMonitor;

  SerialPortLink& port() { return port_; }
  ModbusRtuClient& client() { return client_; }
  WriteJournal& writeJournal() { return writeJournal_; }
  const LinkContext& link() const { return link_; }
  const ParameterContext& parameterContext() const { return parameterContext_; }
  const OperationContext& operationContext() const { return operationContext_; }
  const BenchContext& benchContext() const { return benchContext_; }
  PollCycle& cycle() { return cycle_; }
  // The monitor's names of the module's and the bench modules' addresses, as mem.ini and
  // tp.ini have them now.
  QMap<uint8_t, QString> busAddressNames() const;

  // Worker thread: started once by the window after the password dialog.
  void startWorker();
  // Asks the worker to end its loop; it clears workerStopRequest when it has.
  void requestWorkerStop() { flags.workerStopRequest = true; }
  // Asks and waits up to `ms`; true when the worker has ended (or never ran).
  bool stopWorker(int ms);
  CommThread* worker() { return worker_.get(); }

  // Every exchange ends within seconds; a worker that does not is stuck in the driver.
  static constexpr int kWorkerJoinMs = 10000;

 private:
  void registerSteps();

  std::unique_ptr<SerialLine> line_;
  SerialPortLink port_;
  ModbusRtuClient client_;
  WriteJournal writeJournal_;
  LinkContext link_;
  ParameterContext parameterContext_;
  OperationContext operationContext_;
  BenchContext benchContext_;
  PollCycle cycle_;
  std::unique_ptr<CommThread> worker_;
};
