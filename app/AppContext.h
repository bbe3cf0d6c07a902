#pragma once

#include <QMap>
#include <QString>
#include <memory>

#include "bench/BenchSession.h"
#include "link/BusMonitor.h"
#include "link/FrameRecorder.h"

class Prompter;

// The composition root without windows: the session with every layer on it, prof.ini for the
// profile buttons, and the traffic monitor that records every frame from the start. The main
// window owns one and draws its state.
class AppContext : public BenchSession {
 public:
  // `directory` holds mem.ini, tp.ini, prof.ini, tarvix.log and the variant marker. Without a
  // line the real serial port is used.
  AppContext(const QString& directory, Prompter& prompter,
             std::unique_ptr<SerialLine> line = nullptr, Clock& clock = SteadyClock::instance());

  SettingsStore prof;
  // The traffic monitor: the client notes frames in the recorder, the monitor takes them.
  FrameRecorder frameRecorder;
  BusMonitor busMonitor;

  // The monitor's names of the module's and the bench modules' addresses, as mem.ini and
  // tp.ini have them now.
  QMap<uint8_t, QString> busAddressNames() const;
};
