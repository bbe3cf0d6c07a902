#include "link/ModbusRtuClient.h"

#include <algorithm>

#include "app/SettingsStore.h"
#include "link/Clock.h"
#include "link/ModbusCrc.h"
#include "link/SerialPortLink.h"

namespace {
const QString kConnect = QStringLiteral("connect");

void putWord(uint8_t* at, uint16_t value) {
  at[0] = uint8_t(value >> 8);
  at[1] = uint8_t(value);
}

// Appends the CRC, low byte first, after `length` bytes; returns the new length.
int appendCrc(uint8_t* frame, int length) {
  const uint16_t crc = modbusCrc(frame, size_t(length));
  frame[length] = uint8_t(crc);
  frame[length + 1] = uint8_t(crc >> 8);
  return length + 2;
}

bool crcMatches(const uint8_t* frame, int lengthBeforeCrc) {
  const uint16_t crc = modbusCrc(frame, size_t(lengthBeforeCrc));
  return frame[lengthBeforeCrc] == uint8_t(crc) && frame[lengthBeforeCrc + 1] == uint8_t(crc >> 8);
}

QString moduleErrorText(uint16_t code) {
  return QStringLiteral("Ошибка модуля: код ") + QString::number(code, 16).toUpper();
}
}  // namespace

ModbusRtuClient::ModbusRtuClient(SerialPortLink& port, SettingsStore& mem, Clock& clock)
    : port_(port), mem_(mem), clock_(clock) {}

ModbusRtuClient::Timing ModbusRtuClient::timing() const {
  auto ms = [&](const char* key, int def) {
    return SerialPortLink::readMilliseconds(mem_, key, def);
  };
  return Timing{ms("send", 50), ms("sleep", 70), ms("receive", 50)};
}

uint8_t ModbusRtuClient::moduleAddress() const {
  return uint8_t(mem_.readInteger(kConnect, QStringLiteral("adr"), 100));
}

// A reply that came after its exchange gave up must not pass for this one: what the port
// holds goes, and after a failure (or on a port just opened) the line must first fall quiet
// for as long as a reply may take, since a late reply may still be on its way.
void ModbusRtuClient::prepareLine(SerialLine& line, const Timing& t) {
  if (port_.takeFreshlyOpened() && !recoveryPending_) {
    recoveryPending_ = true;
    failedAt_ = clock_.tick();
  }
  if (recoveryPending_) {
    line.drainUntilQuiet(t.sleep + t.receive, failedAt_);
    recoveryPending_ = false;
  } else {
    line.discardInput();
  }
}

bool ModbusRtuClient::failed(QString& error, const QString& text) {
  error = text;
  recoveryPending_ = true;
  failedAt_ = clock_.tick();
  return false;
}

bool ModbusRtuClient::readRegisters(ReadExchange& x) {
  if (x.registerCount == 0 || x.registerCount > kMaxReadCount) {
    x.error = countRefusal(x.registerCount);
    return false;
  }
  std::lock_guard lock(port_.mutex());
  const Timing t = timing();
  uint8_t request[8];
  request[0] = x.slaveAddress;
  request[1] = 3;
  putWord(request + 2, x.firstRegister);
  putWord(request + 4, x.registerCount);
  appendCrc(request, 6);
  x.receiveBuffer.fill(0);

  SerialLine& line = port_.line();
  prepareLine(line, t);
  const IoResult sent = line.write(request, sizeof request, t.send);
  if (sent == IoResult::Failed) {
    port_.closePort();
    return failed(x.error, QStringLiteral("Нет связи с портом"));
  }
  if (sent != IoResult::Completed)
    return failed(x.error, QStringLiteral("Ошибка передачи команды чтения в модуль"));
  clock_.sleep(t.sleep);
  int received = 0;
  if (line.read(x.receiveBuffer.data(), int(x.receiveBuffer.size()), t.receive, &received) !=
      IoResult::Completed)
    return failed(x.error, QStringLiteral("Ошибка получения результата из модуля"));
  const uint8_t* reply = x.receiveBuffer.data();
  if (reply[0] != x.slaveAddress)
    return failed(x.error, QStringLiteral("Ошибочный адрес модуля в ответе от модуля"));
  if (reply[1] != 3) {
    x.errorCode = reply[2];
    return failed(x.error, moduleErrorText(x.errorCode));
  }
  const int n = reply[2];
  if (!crcMatches(reply, n + 3))
    return failed(x.error, QStringLiteral("Ошибочный CRC в ответе от модуля"));
  // Fewer registers than asked is an answer; more, or half a register, is not this request's.
  if (n % 2 != 0 || n / 2 > x.registerCount)
    return failed(x.error, QStringLiteral("Ошибка получения результата из модуля"));
  x.decodedCount = uint8_t(n / 2);
  for (int i = 0; i < x.decodedCount; ++i)
    x.registers[i] = uint16_t(reply[3 + 2 * i] << 8 | reply[4 + 2 * i]);
  rememberValues(x.slaveAddress, x.firstRegister, x.registers.data(), x.decodedCount);
  return true;
}

QString ModbusRtuClient::countRefusal(uint16_t count) {
  return QStringLiteral("Недопустимое число регистров в запросе: %1").arg(count);
}

void ModbusRtuClient::setWriteObserver(WriteObserver observer) {
  std::lock_guard lock(knownMutex_);
  writeObserver_ = std::move(observer);
}

void ModbusRtuClient::rememberValues(uint8_t slave, uint16_t first, const uint16_t* values,
                                     int count) {
  std::lock_guard lock(knownMutex_);
  if (!writeObserver_) return;  // only the journal needs them
  for (int i = 0; i < count; ++i) known_[uint32_t(slave) << 16 | uint16_t(first + i)] = values[i];
}

bool ModbusRtuClient::observedWrite(WriteExchange& x, uint16_t count, const uint8_t* request,
                                    int length, uint8_t function) {
  const bool ok = writeFrame(x, request, length, function);
  WriteObserver observer;
  QVector<WrittenRegister> written;
  {
    std::lock_guard lock(knownMutex_);
    if (!writeObserver_) return ok;
    observer = writeObserver_;
    for (int i = 0; i < count; ++i) {
      const uint16_t address = uint16_t(x.firstRegister + i);
      const auto it = known_.find(uint32_t(x.slaveAddress) << 16 | address);
      written.append({address,
                      it == known_.end() ? std::nullopt : std::optional<uint16_t>(it->second),
                      x.values[i]});
      if (ok) known_[uint32_t(x.slaveAddress) << 16 | address] = x.values[i];
    }
  }
  observer(x.slaveAddress, written, ok, x.error);
  return ok;
}

bool ModbusRtuClient::writeFrame(WriteExchange& x, const uint8_t* request, int length,
                                 uint8_t function) {
  std::lock_guard lock(port_.mutex());
  const Timing t = timing();
  SerialLine& line = port_.line();
  prepareLine(line, t);
  // A write that cannot be started counts as one that did not finish in time; the port stays.
  if (line.write(request, length, t.send) != IoResult::Completed)
    return failed(x.error, QStringLiteral("Ошибка передачи команды записи в модуль"));
  clock_.sleep(t.sleep);
  x.replyBuffer.fill(0);
  int received = 0;
  if (line.read(x.replyBuffer.data(), 8, t.receive, &received) != IoResult::Completed)
    return failed(x.error, QStringLiteral("Ошибка подтверждения записи из модуля"));
  const uint8_t* reply = x.replyBuffer.data();
  if (reply[0] != x.slaveAddress)
    return failed(x.error, QStringLiteral("Ошибочный адрес модуля в ответе от модуля при записи"));
  if (reply[1] != function) {
    x.errorCode = reply[2];
    return failed(x.error, moduleErrorText(x.errorCode));
  }
  if (!crcMatches(reply, 6)) return failed(x.error, QStringLiteral("Ошибочный CRC в ответе от модуля"));
  if (!std::equal(reply + 2, reply + 6, request + 2))
    return failed(x.error, QStringLiteral("Ошибка в данных в ответе от модуля"));
  return true;
}

bool ModbusRtuClient::writeRegisters(WriteExchange& x) {
  // A frame that cannot carry the whole block is refused, never cut short.
  const uint16_t count = x.registerCount;
  if (count == 0 || count > kMaxWriteCount) {
    x.error = countRefusal(count);
    return false;
  }
  uint8_t request[9 + 2 * kMaxWriteCount];
  request[0] = x.slaveAddress;
  request[1] = 16;
  putWord(request + 2, x.firstRegister);
  putWord(request + 4, count);
  request[6] = uint8_t(2 * count);
  for (int i = 0; i < count; ++i) putWord(request + 7 + 2 * i, x.values[i]);
  const int length = appendCrc(request, 7 + 2 * count);
  return observedWrite(x, count, request, length, 16);
}

bool ModbusRtuClient::writeRegister(WriteExchange& x) {
  uint8_t request[8];
  request[0] = x.slaveAddress;
  request[1] = 6;
  putWord(request + 2, x.firstRegister);
  putWord(request + 4, x.values[0]);
  appendCrc(request, 6);
  return observedWrite(x, 1, request, sizeof request, 6);
}

bool ModbusRtuClient::readModuleRegisters(ReadExchange& x, uint16_t first, uint16_t count) {
  return readRegistersAt(x, moduleAddress(), first, count);
}

bool ModbusRtuClient::readRegistersAt(ReadExchange& x, uint8_t slave, uint16_t first,
                                      uint16_t count) {
  x.slaveAddress = slave;
  x.firstRegister = first;
  x.registerCount = count;
  for (int attempt = 0; attempt < kAttempts; ++attempt)
    if (readRegisters(x)) return true;
  return false;
}

bool ModbusRtuClient::writeRegisterAt(WriteExchange& x, uint8_t slave, uint16_t reg,
                                      uint16_t value) {
  x.slaveAddress = slave;
  x.firstRegister = reg;
  x.registerCount = 1;
  x.values[0] = value;
  return writeRegisters(x);
}

bool ModbusRtuClient::writeRegisterAtRetry(WriteExchange& x, uint8_t slave, uint16_t reg,
                                           uint16_t value) {
  for (int attempt = 0; attempt < kAttempts; ++attempt)
    if (writeRegisterAt(x, slave, reg, value)) return true;
  return false;
}

bool ModbusRtuClient::writeBenchOutputs(uint8_t slave, uint16_t value) {
  return writeRegisterAtRetry(bench_, slave, 50, value);
}

bool ModbusRtuClient::writeModuleRegister(WriteExchange& x, uint16_t reg, uint16_t value) {
  x.slaveAddress = moduleAddress();
  x.firstRegister = reg;
  x.registerCount = 1;
  x.values[0] = value;
  return writeRegister(x);
}

bool ModbusRtuClient::writeModuleRegisters(WriteExchange& x, uint16_t first, const uint16_t* values,
                                           uint16_t count) {
  x.slaveAddress = moduleAddress();
  x.firstRegister = first;
  x.registerCount = count;
  std::copy_n(values, std::min<int>(count, int(x.values.size())), x.values.begin());
  return writeRegisters(x);
}
