#pragma once

#include <array>
#include <cstdint>
#include <deque>

class Clock;
class ModuleModel;

// The module's event log and the clock that stamps it. Commands written over the bus (1 to
// register 8, 9 or 10), errors and end-position changes become records with the module's
// time while register 335 keeps logging on; register 336 counts the records not yet read.
// Writing an index to 337 selects a record (1 = the newest) and the 9 registers from 337 then
// hold it: status (0 none, 1 damaged, 2 valid), time low and high word, kind in the low byte
// and code in the high byte of 340, the error detail in 341. Reading the block marks the
// record read.
//
// The clock (registers 4 and 5, seconds since 1970) ticks with the clock given, whole seconds
// at a time; without one it stands still. Writing it over the bus starts a new second.
class ModuleLog {
 public:
  enum Kind : uint8_t { Command = 1, Error = 2, EndPositions = 3 };
  enum Status : uint16_t { NoRecord = 0, Damaged = 1, Valid = 2 };
  static constexpr int kCapacity = 1000;  // the oldest record goes when a new one comes
  static constexpr int kBlockSize = 9;

  struct Record {
    uint32_t time = 0;
    uint8_t kind = 0;
    uint8_t code = 0;
    uint8_t extra = 0;
    bool damaged = false;
    bool unread = true;
    uint32_t serial = 0;
  };

  void setClock(Clock* clock);
  // Brings registers 4 and 5 up to the clock's present time.
  void tick(ModuleModel& module);

  // Power-on: an empty log, and the end positions as the inputs now stand.
  void reset(ModuleModel& module);
  // A record stamped with the module's time; nothing while logging is off.
  void logEvent(ModuleModel& module, uint8_t kind, uint8_t code, uint8_t extra);
  // A record of the end-position inputs when their combination changed since last seen. The
  // code has bit 0 for the push end position and bit 1 for the pull one.
  void logEndPositions(ModuleModel& module);
  static uint8_t endPositionCode(const ModuleModel& module);

  // What the bus does to the module, seen by the log.
  void beforeRead(ModuleModel& module, uint16_t first, uint16_t count);
  void afterWrite(ModuleModel& module, uint16_t first, uint16_t count);

  int size() const { return int(records_.size()); }
  int unread() const;
  // By index as register 337 selects it: 1 = the newest; null when there is none.
  const Record* at(int index) const;
  // The record at `index` reads as damaged from now on; false when there is none.
  bool damage(ModuleModel& module, int index);
  void clear(ModuleModel& module);

 private:
  Record* find(uint32_t serial);
  void showSelected(ModuleModel& module);
  void showUnread(ModuleModel& module) const;

  std::deque<Record> records_;  // the oldest first
  uint32_t nextSerial_ = 1;
  uint32_t selected_ = 0;  // serial of the record in the block; 0 for none
  uint8_t endPositions_ = 0;
  Clock* clock_ = nullptr;
  uint32_t secondStartMs_ = 0;  // when the present second of the module's clock began
};
