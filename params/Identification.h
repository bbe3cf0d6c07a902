#pragma once

class AppCore;

// Identifies the module when the link is (re)established: reads its firmware version and
// logic variant, chooses the register layout and the name sections, and builds the tables.
class Identification {
 public:
  explicit Identification(AppCore& core) : core_(core) {}

  // The firmware step of a poll pass: the version into firmwareVersion and, for a supported
  // one, the name sections and the tables. True when the version is supported.
  bool identify();

  // The version read, or -1 when register 768 cannot be read.
  int selectFirmwareLayout();
  // The logic number (1 when register 592 cannot be read).
  int selectNameSections();
  void buildTables();

 private:
  AppCore& core_;
};
