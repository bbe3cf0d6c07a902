#pragma once

#include <array>
#include <cstdint>

#include "core/ProgressLine.h"
#include "params/ParameterState.h"
#include "params/ParameterTables.h"

struct ReadExchange;
class SettingsStore;
struct LinkContext;

// Reads the parameter tables of the main and service tabs from the module and writes back
// what the user changed. Runs on the worker, inside a poll pass whose status read succeeded.
class TableTransfer {
 public:
  explicit TableTransfer(const ParameterContext& ctx) : ctx_(ctx) {}

  // Fills the main tab. Succeeds when the last block read succeeded: the motor voltage from
  // firmware 200, else the output logic above 102, else the motor block.
  bool readMainTables();
  // Writes the main tab with progress, then offers to read it back.
  bool writeMainTables();
  // The main tab's writes alone, without panel or prompt; false when any step failed.
  bool writeMainTableBlocks();
  bool readServiceTables();
  bool writeServiceTables();

  // Checks every value cell of the table, then writes each one that differs from the
  // registers last read, one register at a time (function 6).
  bool writeChangedCells(ParameterTables::Id id);
  // Writes 1 or 0 to `reg` when the choice differs from the value read; a written value then
  // stands in `written` of the choices as the value the module holds.
  bool writeRadioChoice(uint16_t valueRead, uint16_t reg, bool checked,
                        uint16_t ParameterTables::Choices::*written = nullptr);
  // "Ошибка!!!" on the progress panel for 500 ms, then the panel goes and the poll timer
  // comes back.
  void showWriteFailure();

  // Reload prompt of the main tab: asks, and on OK raises the main read request.
  static void askToReloadMainTab(const LinkContext& link);

  // Bit i is 1 for each unchecked input i; bits 10 to 15 are 0.
  static uint16_t inversionMask(const std::array<bool, ParameterTables::kInversionItems>& checked);
  static std::array<bool, ParameterTables::kInversionItems> inversionChecks(uint16_t mask);

  // Name of a motor voltage type: motor/n1 for type 0, motor/n2 for any other.
  static QString motorVoltageName(const SettingsStore& mem, int type);

  static constexpr unsigned kPanelPauseMs = kWriteFailurePauseMs;

 private:
  // Reads a block; a failure is shown as a link failure.
  bool read(ReadExchange& x, uint16_t first, uint16_t count);
  // Reads a table's block into it.
  bool readInto(ParameterTables::Id id);
  void finishWrite(bool ok);
  // Shows the panel for a write of `total` registers, counted as they go.
  void startCountedWrite(int total);
  // A box titled "Ошибка" with the text, then the write failure on the panel; false.
  bool fail(const QString& text);

  ParameterContext ctx_;
  int written_ = 0;
  int toWrite_ = 0;
};
