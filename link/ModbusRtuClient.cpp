#include "link/ModbusRtuClient.h"

#include <algorithm>

#include "core/Clock.h"
#include "link/LineTiming.h"
#include "link/ReplyReader.h"
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

uint32_t ModbusRtuClient::blockShortfallMs(int requestBytes, int replyBytes,
                                           uint32_t* lineMs) const {
  const uint32_t line = linetime::bytesMs(requestBytes + replyBytes, settings_.lineSettings());
  if (lineMs) *lineMs = line;
  if (settings_.fastExchange()) return 0;
  const LinkSettings::Timing t = settings_.timing();
  const uint32_t budget = t.sleep + t.receive;
  return line > budget ? line - budget : 0;
}

QString ModbusRtuClient::countRefusal(uint16_t count) {
  return QStringLiteral("Недопустимое число регистров в запросе: %1").arg(count);
}

// A reply that came after its exchange gave up must not pass for this one: what the port
// holds goes, and after a failure (or on a port just opened) the line must first fall quiet
// for as long as a reply may take, since a late reply may still be on its way. In fast
// exchange a port just opened is only flushed, and the next request waits for the frame gap.
void ModbusRtuClient::prepareLine(SerialLine& line, const LinkSettings::Timing& t, bool fast,
                                  const LineSettings& lineSettings) {
  const bool fresh = port_.takeFreshlyOpened();
  if (fresh && !recoveryPending_) {
    if (fast) {
      line.discardInput();
      return;
    }
    recoveryPending_ = true;
    failedAt_ = clock_.tick();
  }
  if (recoveryPending_) {
    line.drainUntilQuiet(recoveryQuietMs_ ? recoveryQuietMs_ : t.sleep + t.receive, failedAt_);
    recoveryPending_ = false;
    recoveryQuietMs_ = 0;
    return;
  }
  if (fast) {
    const uint64_t gap = linetime::frameGapMicros(lineSettings);
    const uint64_t quiet = clock_.tickMicros() - lastByteMicros_;
    if (quiet < gap) clock_.sleepMicros(gap - quiet);
  }
  line.discardInput();
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
  const bool fast = t.probeWaitMs > 0 || settings_.fastExchange();
  const LineSettings lineSettings = port_.lineSettings();
  SerialLine& line = port_.line();
  prepareLine(line, timing, fast, lineSettings);
  const uint32_t startedAt = clock_.tick();
  uint32_t sentAt = startedAt;
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
    sentAt = clock_.tick();
    std::fill_n(t.reply, t.replyCapacity, uint8_t(0));
    // Every slave takes a broadcast and none answers it; the pause lets them act on it before
    // the next request.
    if (t.request[0] == kBroadcastAddress) {
      clock_.sleep(timing.sleep);
      return true;
    }
    ReplyReader reader(line, clock_);
    const ReplyReader::Request request{t.request, t.requestLength, settings_.adapterEcho()};
    ReplyReader::Result reply;
    if (fast) {
      // The request may still be leaving when write() returns: its line time counts too.
      const uint32_t lineMs =
          linetime::bytesMs(t.requestLength + rtu::fullReplyLength(t.request), lineSettings);
      const uint32_t wait =
          t.probeWaitMs > 0 ? t.probeWaitMs : timing.sleep + timing.receive + lineMs;
      reply =
          reader.fast(request, t.reply, t.replyCapacity, wait, settings_.timeouts().readInterval);
    } else {
      clock_.sleep(timing.sleep);
      reply = reader.afterPause(request, t.reply, t.replyCapacity, timing.receive);
    }
    received = reply.received;
    if (!reply.arrived) {
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
  lastByteMicros_ = clock_.tickMicros();
  // A probe asks many addresses nobody has: a late reply to it can take no longer than its own
  // wait, and a silent line has been quiet since the request left.
  if (!ok && t.probeWaitMs > 0) {
    recoveryQuietMs_ = t.probeWaitMs;
    if (received == 0) failedAt_ = sentAt;
  }
  if (t.done) t.done(ok);
  return traced(ok, outcome, error, t.request, t.requestLength, t.reply, received, startedAt);
}

bool ModbusRtuClient::readRegisters(ReadExchange& x) { return readWithin(x, 0); }

bool ModbusRtuClient::probeRegisters(ReadExchange& x, uint32_t waitMs) {
  return readWithin(x, std::max<uint32_t>(1, waitMs));
}

bool ModbusRtuClient::readWithin(ReadExchange& x, uint32_t probeWaitMs) {
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
  t.probeWaitMs = probeWaitMs;
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
