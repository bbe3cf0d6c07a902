#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "params/ComparisonExchange.h"
#include "params/ParameterState.h"

// Compares the module's main tables (inputs, timers, motor, output logic) with a parameter
// file, and writes the differences. Runs on the worker. The tables on the main tab are not
// reloaded, so values typed there and not yet written survive a comparison.
class ParameterComparison {
 public:
  explicit ParameterComparison(const ParameterContext& ctx) : ctx_(ctx) {}

  // The file after its version check (refusals as when loading it), then the module's blocks
  // (a failed read as a link failure). Empty when either failed; else the differing rows in
  // the order of the main tab.
  std::optional<ParameterDifferences> compareWithFile(const QString& path);

  // Writes the file's value of each row, one register at a time (function 6), with progress.
  // A row whose file value is not a number refuses the whole write before anything is sent; a
  // failed write stops there. Written registers become what the tables know the module holds.
  bool writeDifferences(const ParameterDifferences& rows);

  // The request operations: the file and the rows from the exchange, the findings into it.
  bool serveComparison();
  bool serveWrite();

  // "table;name;register;module;file", with any ';' inside a text turned into ','.
  static QString line(const ParameterDifference& d);

 private:
  bool readBlock(uint16_t first, uint16_t count, QVector<uint16_t>* values);
  bool refuse(const QString& text);
  void showWritten(const ParameterDifference& d, uint16_t value);

  ParameterContext ctx_;
};
