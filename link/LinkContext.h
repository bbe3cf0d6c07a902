#pragma once

#include <QString>

class Clock;
class ModbusRtuClient;
class ProgressLine;
class Prompter;
class SerialPortLink;
class SessionJournal;
class SettingsStore;
class StatusLine;
struct LinkFlags;
class RequestFlags;

// What the link's operations, and the subsystems above it, need of the link: the settings,
// the bus, the shared flags and the lines the user reads. References only; the composition
// root owns the objects.
struct LinkContext {
  Clock& clock;
  Prompter& prompter;
  SettingsStore& mem;
  StatusLine& status;
  ProgressLine& progress;
  SessionJournal& journal;
  LinkFlags& flags;
  RequestFlags& requests;
  SerialPortLink& port;
  ModbusRtuClient& client;

  // A link-level failure on the status line; the module counts as offline.
  void showLinkFailure(const QString& text) const;
};
