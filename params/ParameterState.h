#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "link/LinkContext.h"
#include "params/ComparisonExchange.h"
#include "params/ParameterTables.h"

// The parameter model's state for the whole run: the tables, what the status read fetches,
// and what the motor voltage dialog leaves for the worker.
struct ParameterState {
  ParameterTables tables;

  // The page the window shows: the status read fetches only that page's block.
  enum class Page { Main, Firm, Service, LogTime, Control, Diagram, Test };
  std::atomic<Page> activePage{Page::Firm};
  // The outputs are not read while the diagram records.
  std::atomic_bool outputsPaused{false};
  // Module clock as last read (seconds since 1970), while the log and time page is shown.
  std::atomic<uint32_t> moduleClockSeconds{0};
  // Debug value (row of the debug table) the diagram and the test diagram sample.
  std::atomic_int diagramValueIndex{0};
  std::atomic_int testDiagramValueIndex{0};
  // "Сравнить с файлом...": the file, the differences found, the rows to write.
  ComparisonExchange comparison;

  // Typed into MotorVoltageDialog; the worker takes it (and clears it) when it serves the request,
  // so the password lives no longer than it must.
  void storeMotorPassword(const QString& text);
  QString takeMotorPassword();

 private:
  std::mutex passwordMutex_;
  QString motorPassword_;
};

// What the parameter model's operations work with: the link and the model's own state.
struct ParameterContext {
  LinkContext link;
  ParameterState& state;
  ParameterTables& tables() const { return state.tables; }
};
