#pragma once

#include <QString>
#include <QVector>
#include <cstdint>
#include <mutex>
#include <optional>

#include "params/ParameterTables.h"

// One register of the main tab whose value in the module is not the parameter file's.
struct ParameterDifference {
  QString table;  // caption of the table's group on the main tab
  QString name;   // the row's name
  uint16_t reg = 0;
  uint16_t module = 0;  // as read from the module
  QString file;         // as the file has it
  // What a write sends; empty when the file's text is not a register value ("---", "abc").
  std::optional<uint16_t> value;
  // Where the row shows on the main tab; row -1 for the output logic (registers 131, 132).
  ParameterTables::Id id = ParameterTables::Inps;
  int row = -1;

  bool operator==(const ParameterDifference&) const = default;
};
using ParameterDifferences = QVector<ParameterDifference>;

// What the window and the worker hand each other: the file to compare with, the differences
// found, and those the user chose to write.
class ComparisonExchange {
 public:
  void setFile(const QString& path);
  QString file() const;
  void setFound(const ParameterDifferences& found);
  ParameterDifferences found() const;
  void setToWrite(const ParameterDifferences& rows);
  ParameterDifferences toWrite() const;

 private:
  mutable std::mutex mutex_;
  QString file_;
  ParameterDifferences found_;
  ParameterDifferences toWrite_;
};
