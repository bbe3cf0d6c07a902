#pragma once

#include <QVector>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "link/ModbusRtuClient.h"

class SessionJournal;

// Records every register write frame in the session journal, one line each, with the value
// each register had when last read or written where one is known:
// "Запись в устройство 100: рег. 97: 10 -> 15; рег. 98: 3 [не выполнена: …]". The motor
// voltage password (register 118 of the module) never reaches the file.
class WriteJournal : public ExchangeObserver {
 public:
  struct WrittenRegister {
    uint16_t address;
    std::optional<uint16_t> old;
    uint16_t value;
  };
  // Also told of every write frame, after the journal line.
  using Listener = std::function<void(uint8_t slave, const QVector<WrittenRegister>& registers,
                                      bool ok, const QString& error)>;

  WriteJournal(SessionJournal& journal, const ModbusRtuClient& client)
      : journal_(journal), client_(client) {}
  void setListener(Listener listener);

  void registersRead(uint8_t slave, uint16_t first, const uint16_t* values, int count) override;
  void registersWritten(uint8_t slave, uint16_t first, const uint16_t* values, int count, bool ok,
                        const QString& error) override;

 private:
  static uint32_t key(uint8_t slave, uint16_t reg) { return uint32_t(slave) << 16 | reg; }

  SessionJournal& journal_;
  const ModbusRtuClient& client_;
  std::mutex mutex_;
  std::unordered_map<uint32_t, uint16_t> known_;  // (slave, register) -> value
  Listener listener_;
};
