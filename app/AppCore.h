#pragma once

#include <QString>
#include <memory>

#include "app/ProgressLine.h"
#include "app/SessionJournal.h"
#include "app/SettingsStore.h"
#include "app/Variant.h"
#include "link/Clock.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "link/ModuleLinkParams.h"
#include "link/RequestFlags.h"
#include "link/SerialLine.h"
#include "link/SerialPortLink.h"
#include "link/StatusLine.h"
#include "operation/ControlState.h"
#include "params/ParamTables.h"

class Prompter;
class CommThread;

// Everything the program keeps for its whole run, without a window: the settings stores, the
// variant, the port and the Modbus client, the shared flags and the status line. The main
// window owns one and draws it.
class AppCore {
 public:
  // `directory` holds mem.ini, tp.ini, prof.ini and the variant marker. Without a line the
  // real serial port is used.
  AppCore(const QString& directory, Prompter& prompter, std::unique_ptr<SerialLine> line = nullptr,
          Clock& clock = SteadyClock::instance());
  ~AppCore();

  Clock& clock;
  Prompter& prompter;
  SettingsStore mem;
  SettingsStore tp;
  SettingsStore prof;
  Variant variant;
  LinkFlags flags;
  RequestFlags requests;
  StatusLine status;
  ProgressLine progress;
  SessionJournal journal;
  ParamTables tables;
  // Debug value (row of the debug table) the diagram and the test diagram sample.
  std::atomic_int diagramValueIndex{0};
  std::atomic_int testDiagramValueIndex{0};
  ControlState control;
  ModuleLinkParams linkParams;  // the module link dialog and the worker share it
  struct {
    std::mutex mutex;
    QString text;
  } motorPassword;  // typed into TForm4; the worker takes it when it serves the request

  // The page the window shows: the status read fetches only that page's block.
  enum class Page { Main, Firm, Service, LogTime, Control, Diagram, Test };
  std::atomic<Page> activePage{Page::Firm};
  // The diagram samples while recording; the outputs are not read then.
  std::atomic_bool diagramRecording{false};
  // Module clock as last read (seconds since 1970), while the log and time page is shown.
  std::atomic<uint32_t> moduleClockSeconds{0};

  SerialPortLink& port() { return *port_; }
  ModbusRtuClient& client() { return *client_; }

  // Shows a link-level failure on the status line and marks the module offline.
  void showLinkFailure(const QString& text);

  // Also told of every register write, after the session journal has recorded it (the
  // journal keeps its observer). Replaces an observer added before.
  void addWriteObserver(ModbusRtuClient::WriteObserver observer);

  // Worker thread: started once by the window after the password dialog.
  void startWorker();
  // Asks the worker to end its loop; it clears workerStopRequest when it has.
  void requestWorkerStop();
  CommThread* worker() { return worker_.get(); }

 private:
  std::unique_ptr<SerialLine> line_;
  std::unique_ptr<SerialPortLink> port_;
  std::unique_ptr<ModbusRtuClient> client_;
  std::unique_ptr<CommThread> worker_;
};
