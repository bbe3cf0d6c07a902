#pragma once

#include <QStringList>
#include <cstdint>

#include "operation/EventLogState.h"
#include "operation/OperationContext.h"
#include "params/ModuleRegisters.h"

// The module's event log, on the worker: the keep-log switch (register 335), the unread counter
// (336) and the records, fetched one by one from the counter downwards by writing the index to
// 337 and reading the 9 registers from 337.
class EventLog {
 public:
  enum Register : uint16_t {
    KeepLog = modulemap::KeepLog,
    UnreadCounter = modulemap::UnreadLogRecords,
    RecordBlock = modulemap::LogRecord
  };
  static constexpr int kBlockSize = modulemap::kLogRecordSize;
  enum Status : uint16_t { NoRecord = 0, Damaged = 1, Valid = 2 };
  enum Kind : uint8_t { Command = 1, Error = 2, EndPositions = 3 };
  static constexpr unsigned kMessagePauseMs = 500;

  explicit EventLog(const OperationContext& ctx) : ctx_(ctx) {}

  // On the first showing of the page: the switch, and the unread counter once per run; false
  // when a read failed.
  bool showLogState();
  // Fetches the number of records the page asks for; false when an exchange failed.
  bool readLogRecords();
  // Empties the table and reads the counter again; the module's log stays as it is.
  void clearLogTable();
  // The user ticked or unticked "Вести журнал": writes the switch and reads it back.
  void keepLogClicked(bool ticked);

  // The cells of table row `row` for a valid record (the 9 registers from 337). Error names are
  // the errors table's names, by row.
  static EventLogState::Row decodeLogRecord(uint32_t row, const uint16_t* block,
                                            const QStringList& commandTexts,
                                            const QStringList& switchTexts,
                                            const QStringList& errorNames);

 private:
  // One register through the module read with its retries; a failure is shown as a link
  // failure.
  bool readRegister(uint16_t reg, uint16_t* value);
  bool readKeepLog();
  // Reads the counter into StaticText1 ("---" when it fails) and copies that to EditReadCount.
  bool showUnreadCounter();
  QStringList errorNames() const;

  OperationContext ctx_;
};
