#pragma once

#include <QString>

#include "bench/BenchContext.h"

// The unit's own motor voltage type over a test run. The motor runs set the type each of them
// needs (register 119, with the test password); the type the run found before the first
// change goes back, with the same password, whichever way the run ends.
class MotorTypeKeeper {
 public:
  explicit MotorTypeKeeper(const BenchContext& ctx) : ctx_(ctx) {}

  // A new run: nothing found yet.
  void forget();
  // Register 119 as the main tables read at the start of the run showed it, before any change.
  void noteFound(int type);
  // ensureMotorVoltageType for a motor run; when the run has not found the type yet, the first
  // read of the register is taken as found.
  bool select(int type);
  // Writes the found type back when a motor run changed it; a failure is a red row. True when
  // the module holds its own type again, or was never changed.
  bool restore();
  // The line the closing message gains when the restore failed.
  QString notRestoredText() const;
  // The voltage names of the report (mem.ini [motor]); empty where the run never read the type.
  QString foundName() const;
  QString leftName() const;

 private:
  QString name(int type) const;

  const BenchContext& ctx_;
};
