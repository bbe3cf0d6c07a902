#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "core/Clock.h"
#include "core/ProgressLine.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "core/Variant.h"
#include "link/LinkContext.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "link/ModuleLinkParams.h"
#include "link/PollCycle.h"
#include "link/RequestFlags.h"
#include "link/SerialLine.h"
#include "link/SerialPortLink.h"
#include "link/WriteJournal.h"

class CommThread;
class Prompter;

// One connection to the bus, built in one place for the window, tarvix-cli and its production
// test alike: mem.ini, the serial line and its port, the Modbus client with the journal of its
// writes, the session journal, the shared flags and requests, the lines the user reads, the
// poll pass, and the worker that runs it (the window's alone). The layers above extend it with
// their own state and steps (ParameterSession, OperationSession, BenchSession).
class Session {
 public:
  // `directory` holds mem.ini, tarvix.log and the variant marker. Without a line the real
  // serial port is used; a borrowed line stays its lender's.
  Session(const QString& directory, Prompter& prompter, std::unique_ptr<SerialLine> line,
          Clock& clock);
  Session(const QString& directory, Prompter& prompter, SerialLine& borrowedLine, Clock& clock);
  // Stops the worker within kWorkerJoinMs and closes the port.
  virtual ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const QString directory;
  Clock& clock;
  Prompter& prompter;
  SettingsStore mem;
  Variant variant;
  StatusLine status;
  ProgressLine progress;
  SessionJournal journal;
  LinkFlags flags;
  RequestFlags requests;
  ModuleLinkParams linkParams;  // the module link dialog and the worker share it

  SerialPortLink& port() { return port_; }
  ModbusRtuClient& client() { return client_; }
  WriteJournal& writeJournal() { return writeJournal_; }
  const LinkContext& link() const { return link_; }
  PollCycle& cycle() { return cycle_; }

  // Opens the port mem.ini names now, as a pass would; a driver that refused the line
  // settings is told through the prompter. False (the status line says why) when it is shut.
  bool openPort();

  // Worker thread: started once; `testRunner` runs in place of the pass while a production
  // test is running.
  void startWorker(std::function<void()> testRunner = {});
  // Asks the worker to end its loop; it clears workerStopRequest when it has.
  void requestWorkerStop() { flags.workerStopRequest = true; }
  // Asks and waits up to `ms`; true when the worker has ended (or never ran).
  bool stopWorker(int ms);
  CommThread* worker() { return worker_.get(); }

  // Every exchange ends within seconds; a worker that does not is stuck in the driver.
  static constexpr int kWorkerJoinMs = 10000;

 private:
  Session(const QString& directory, Prompter& prompter, std::unique_ptr<SerialLine> ownLine,
          SerialLine* line, Clock& clock);

  std::unique_ptr<SerialLine> ownLine_;
  SerialPortLink port_;
  ModbusRtuClient client_;
  WriteJournal writeJournal_;
  LinkContext link_;
  PollCycle cycle_;
  std::unique_ptr<CommThread> worker_;
};
