#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>

// Work the window asks of the worker. A handler sets a flag; the next poll pass serves it and
// clears it. The first group is served, in this order, only by a pass whose status read
// succeeded; the bench group by every pass with an open port.
class RequestFlags : public QObject {
  Q_OBJECT
 public:
  enum Module {
    MainRead,
    ServiceRead,
    LogTab,
    MainWrite,
    ServiceWrite,
    SetClock,
    ClearLog,
    ReadLog,
    Push,
    Pull,
    ResetCommand,  // cleared only when the reset command succeeded
    LinkParamsRead,
    LinkParamsWrite,
    MotorVoltage,
    InputMap,
    CompareWithFile,   // "Сравнить с файлом..."
    WriteDifferences,  // "Записать отличия"
    ModuleRequestCount
  };
  std::atomic_bool module[ModuleRequestCount] = {};
  // Run the firmware step in the next pass even while the module is online.
  std::atomic_bool identify{false};

  std::atomic_bool bench24V{false};
  std::atomic_bool bench220V{false};
  // Each output word is written before its flag is set.
  std::atomic<uint16_t> r16OutputWord{0};
  std::atomic_bool r16Output{false};
  std::atomic<uint16_t> d8r4OutputWord{0};
  std::atomic_bool d8r4Output{false};
  std::atomic_bool benchReset{false};

 signals:
  // A module request has been served by a pass (on the worker thread; connect queued).
  void served(int request, bool ok);
};
