#pragma once

#include <QDateTime>
#include <QStringList>
#include <cstdint>

#include "operation/DateFields.h"
#include "operation/ModuleClockState.h"
#include "operation/OperationContext.h"

// The module's clock, on the worker: registers 4 (low word) and 5 (high word) hold seconds
// since 1970-01-01 00:00:00 in the module's local time.
class ModuleClock {
 public:
  enum Register : uint16_t { ClockLow = 4, ClockHigh = 5 };
  static constexpr unsigned kPanelPauseMs = 500;

  explicit ModuleClock(const OperationContext& ctx) : ctx_(ctx) {}

  // The live display, from the clock registers the status read fetched.
  void showModuleClock(uint32_t seconds);
  // The computer's present local time into the new-values table.
  void fillClockFromPc();
  // Checks the new-values table; a refusal is told in a box titled "Ошибка".
  bool validateNewClock(DateFields* out);
  // "Записать": checks the table and writes it into the module, with the progress panel.
  bool writeModuleClock();
  // Writes checked fields in one frame (function 16), one attempt, and notes the write in the
  // session journal; false with the exchange's error text.
  bool writeClock(const DateFields& f, QString* error);

  // The refusal of the values typed for rows 0..5 (empty when they are good), in the order
  // the rows are checked: all conversions, then every minimum, then every maximum. `out`
  // receives the fields of good values.
  static QString clockRefusal(const QStringList& values, DateFields* out);
  // The table's texts for a local time: "yyyy", then two digits each.
  static QStringList clockTexts(const QDateTime& local);

 private:
  OperationContext ctx_;
};
