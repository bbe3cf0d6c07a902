#include "link/ModbusRtuClient.h"

#include <algorithm>

#include "core/Clock.h"
#include "link/RtuFrame.h"
#include "link/SerialPortLink.h"

namespace {

// The user's text for a reply that failed its checks; reads and writes say two of them apart.
QString replyFailureText(const rtu::Verdict verdict, uint8_t exceptionCode, bool write) {
  switch (verdict) {
    case rtu::Verdict::Ok:
      break;
    case rtu::Verdict::WrongAddress:
      return write ? QStringLiteral("Ошибочный адрес модуля в ответе от модуля при записи")
                   : QStringLiteral("Ошибочный адрес модуля в ответе от модуля");
    case rtu::Verdict::Exception:
      return QStringLiteral("Ошибка модуля: код ") + QString::number(exceptionCode, 16).toUpper();
    case rtu::Verdict::BadCrc:
      return QStringLiteral("Ошибочный CRC в ответе от модуля");
    case rtu::Verdict::WrongLength:
      return write ? QStringLiteral("Ошибка подтверждения записи из модуля")
                   : QStringLiteral("Ошибка получения результата из модуля");
    case rtu::Verdict::EchoDiffers:
      return QStringLiteral("Ошибка в данных в ответе от модуля");
  }
  return QString();
}

ExchangeOutcome outcomeOf(const rtu::Verdict verdict) {
  switch (verdict) {
    case rtu::Verdict::Ok:
      return ExchangeOutcome::Ok;
    case rtu::Verdict::WrongAddress:
      return ExchangeOutcome::WrongAddress;
    case rtu::Verdict::Exception:
      return ExchangeOutcome::Exception;
    case rtu::Verdict::BadCrc:
      return ExchangeOutcome::BadCrc;
    case rtu::Verdict::WrongLength:
      return ExchangeOutcome::WrongLength;
    case rtu::Verdict::EchoDiffers:
      return ExchangeOutcome::EchoDiffers;
  }
  return ExchangeOutcome::WrongLength;
}

// The attempt of the innermost retry loop running on this thread; 0 outside any.
thread_local int currentAttempt = 0;

}  // namespace

ModbusRtuClient::ModbusRtuClient(SerialPortLink& port, const SettingsStore& mem, Clock& clock)
    : port_(port), settings_(mem), clock_(clock) {}

bool ModbusRtuClient::withRetries(const std::function<bool()>& attempt) {
  const int outer = currentAttempt;
  bool ok = false;
  for (int i = 0; i < kAttempts && !ok; ++i) {
    currentAttempt = i + 1;
    ok = attempt();
  }
  currentAttempt = outer;
  return ok;
}

bool ModbusRtuClient::traced(bool ok, ExchangeOutcome outcome, const QString& error,
                             const uint8_t* request, int requestLength, const uint8_t* reply,
                             int replyLength, uint32_t startedAt) {
  if (!frameObserver_) return ok;
  static const QString okText = QStringLiteral("OK");
  ExchangeTrace trace;
  trace.request = request;
  trace.requestLength = requestLength;
  trace.reply = reply;
  trace.replyLength = replyLength;
  trace.startedAt = startedAt;
  trace.endedAt = clock_.tick();
  trace.outcome = ok ? ExchangeOutcome::Ok : outcome;
  trace.result = ok ? &okText : &error;
  trace.attempt = std::max(1, currentAttempt);
  frameObserver_->exchanged(trace);
  return ok;
}

QString ModbusRtuClient::broadcastReadRefusal() {
  return QStringLiteral(
      "Чтение по адресу 0 невозможно: на широковещательный запрос модули не "
      "отвечают");
}

QString ModbusRtuClient::countRefusal(uint16_t count) {
  return QStringLiteral("Недопустимое число регистров в запросе: %1").arg(count);
}

// A reply that came after its exchange gave up must not pass for this one: what the port
// holds goes, and after a failure (or on a port just opened) the line must first fall quiet
// for as long as a reply may take, since a late reply may still be on its way.
void ModbusRtuClient::prepareLine(SerialLine& line, const LinkSettings::Timing& t) {
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

bool ModbusRtuClient::transact(const Transaction& t, QString& error, uint16_t& errorCode) {
  std::lock_guard lock(port_.mutex());
  const LinkSettings::Timing timing = settings_.timing();
  SerialLine& line = port_.line();
  prepareLine(line, timing);
  const uint32_t startedAt = clock_.tick();
  int received = 0;
  ExchangeOutcome outcome = ExchangeOutcome::Ok;
  const bool ok = [&] {
    const IoResult sent = line.write(t.request, t.requestLength, timing.send);
    if (sent == IoResult::Failed && t.closePortWhenSendFails) {
      port_.closePort();
      outcome = ExchangeOutcome::PortLost;
      return failed(error, QStringLiteral("Нет связи с портом"));
    }
    if (sent != IoResult::Completed) {
      outcome = ExchangeOutcome::SendFailed;
      return failed(error, t.write ? QStringLiteral("Ошибка передачи команды записи в модуль")
                                   : QStringLiteral("Ошибка передачи команды чтения в модуль"));
    }
    clock_.sleep(timing.sleep);
    std::fill_n(t.reply, t.replyCapacity, uint8_t(0));
    // Every slave takes a broadcast and none answers it; the pause above lets them act on it
    // before the next request.
    if (t.request[0] == kBroadcastAddress) return true;
    if (line.read(t.reply, t.replyCapacity, timing.receive, &received) != IoResult::Completed) {
      outcome = ExchangeOutcome::NoReply;
      return failed(error, t.write ? QStringLiteral("Ошибка подтверждения записи из модуля")
                                   : QStringLiteral("Ошибка получения результата из модуля"));
    }
    uint8_t exceptionCode = 0;
    const rtu::Verdict verdict = t.check(received, exceptionCode);
    if (verdict == rtu::Verdict::Ok) return true;
    if (verdict == rtu::Verdict::Exception) errorCode = exceptionCode;
    outcome = outcomeOf(verdict);
    return failed(error, replyFailureText(verdict, exceptionCode, t.write));
  }();
  if (t.done) t.done(ok);
  return traced(ok, outcome, error, t.request, t.requestLength, t.reply, received, startedAt);
}

bool ModbusRtuClient::readRegisters(ReadExchange& x) {
  if (x.registerCount == 0 || x.registerCount > rtu::kMaxReadCount) {
    x.error = countRefusal(x.registerCount);
    return false;
  }
  if (x.slaveAddress == kBroadcastAddress) {
    x.error = broadcastReadRefusal();
    return false;
  }
  uint8_t request[rtu::kMaxFrame];
  const int length = rtu::encodeRead(request, x.slaveAddress, x.firstRegister, x.registerCount);
  // Decoded aside: a failed read leaves the registers as they were.
  uint16_t values[rtu::kMaxReadCount];
  int count = 0;
  Transaction t;
  t.request = request;
  t.requestLength = length;
  t.reply = x.receiveBuffer.data();
  t.replyCapacity = int(x.receiveBuffer.size());
  t.closePortWhenSendFails = true;
  t.check = [&](int received, uint8_t& exceptionCode) {
    const rtu::ReadReply reply =
        rtu::decodeReadReply(t.reply, received, x.slaveAddress, x.registerCount, values);
    exceptionCode = reply.exceptionCode;
    count = reply.count;
    return reply.verdict;
  };
  t.done = [&](bool ok) {
    if (!ok) return;
    x.decodedCount = uint8_t(count);
    std::copy_n(values, count, x.registers.begin());
    if (observer_) observer_->registersRead(x.slaveAddress, x.firstRegister, values, count);
  };
  return transact(t, x.error, x.errorCode);
}

bool ModbusRtuClient::exchangeWrite(WriteExchange& x, const uint8_t* request, int length,
                                    uint16_t count) {
  Transaction t;
  t.request = request;
  t.requestLength = length;
  t.reply = x.replyBuffer.data();
  t.replyCapacity = 8;  // the echo of a write is 8 bytes, whichever function
  t.write = true;       // a write that cannot start counts as one that did not finish in time
  t.check = [&](int received, uint8_t& exceptionCode) {
    const rtu::WriteReply reply = rtu::decodeWriteReply(t.reply, received, request);
    exceptionCode = reply.exceptionCode;
    return reply.verdict;
  };
  t.done = [&](bool ok) {
    if (observer_)
      observer_->registersWritten(x.slaveAddress, x.firstRegister, x.values.data(), count, ok,
                                  x.error);
  };
  return transact(t, x.error, x.errorCode);
}

bool ModbusRtuClient::writeRegisters(WriteExchange& x) {
  // A frame that cannot carry the whole block is refused, never cut short.
  const uint16_t count = x.registerCount;
  if (count == 0 || count > rtu::kMaxWriteCount) {
    x.error = countRefusal(count);
    return false;
  }
  uint8_t request[rtu::kMaxFrame];
  const int length =
      rtu::encodeWriteMultiple(request, x.slaveAddress, x.firstRegister, count, x.values.data());
  return exchangeWrite(x, request, length, count);
}

bool ModbusRtuClient::writeRegister(WriteExchange& x) {
  uint8_t request[rtu::kMaxFrame];
  const int length = rtu::encodeWriteSingle(request, x.slaveAddress, x.firstRegister, x.values[0]);
  return exchangeWrite(x, request, length, 1);
}

bool ModbusRtuClient::readModuleRegisters(ReadExchange& x, uint16_t first, uint16_t count) {
  return readRegistersAt(x, moduleAddress(), first, count);
}

bool ModbusRtuClient::readRegistersAt(ReadExchange& x, uint8_t slave, uint16_t first,
                                      uint16_t count) {
  x.slaveAddress = slave;
  x.firstRegister = first;
  x.registerCount = count;
  return withRetries([&] { return readRegisters(x); });
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
  return withRetries([&] { return writeRegisterAt(x, slave, reg, value); });
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
