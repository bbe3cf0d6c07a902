#pragma once

#include "params/ParameterState.h"

// Identifies the module when the link is (re)established: reads its firmware version and
// logic variant, chooses the register layout and the name sections, and builds the tables.
class Identification {
 public:
  explicit Identification(const ParameterContext& ctx) : ctx_(ctx) {}

  // The firmware step of a poll pass: the version into firmwareVersion and, for a supported
  // one, the name sections and the tables. True when the version is supported.
  bool identify();

  // The version read, or -1 when register 768 cannot be read.
  int selectFirmwareLayout();
  // The logic number (1 when register 592 cannot be read).
  int selectNameSections();
  void buildTables();

 private:
  ParameterContext ctx_;
};
