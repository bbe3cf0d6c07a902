#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// How one exchange ended. The client's texts alone cannot tell them apart: a read that got no
// reply and one that got too many registers say the same words to the user.
enum class ExchangeOutcome : uint8_t {
  Ok,
  PortLost,      // the request could not be started: the port has gone
  SendFailed,    // the request did not leave in time
  NoReply,       // nothing, or not enough, came back in time
  WrongAddress,  // a reply from another slave
  Exception,     // the slave refused with an exception code
  BadCrc,
  WrongLength,  // more registers than asked, half a register, a short echo
  EchoDiffers,  // a write echo that is not the request's
};
constexpr int kExchangeOutcomeCount = int(ExchangeOutcome::EchoDiffers) + 1;

// The short name of each failure kind in the monitor's counters.
QString outcomeName(ExchangeOutcome outcome);

// One exchange that reached the bus, as the client tells it: the bytes are the client's own
// buffers and live only for the call.
struct ExchangeTrace {
  const uint8_t* request = nullptr;
  int requestLength = 0;
  const uint8_t* reply = nullptr;
  int replyLength = 0;  // 0 when nothing came
  uint32_t startedAt = 0;
  uint32_t endedAt = 0;
  ExchangeOutcome outcome = ExchangeOutcome::Ok;
  const QString* result = nullptr;  // "OK", or the client's error text
  int attempt = 1;                  // within the caller's retries, from 1
};

// Told of every exchange the client puts on the bus; called on the exchanging thread, under
// the port lock, so it must only note the exchange and return.
class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  virtual void exchanged(const ExchangeTrace& trace) = 0;
};

// One frame on the bus, sent or received, with what the exchange it belongs to came to.
struct BusFrame {
  qint64 timeMs = 0;   // wall time, ms since the epoch
  QByteArray bytes;    // the whole frame as it went over the line, CRC included
  QString result;      // "OK" or the client's error text (shared, not copied)
  uint16_t first = 0;  // the request's first register and count
  uint16_t count = 0;
  uint16_t exchangeMs = 0;  // the exchange's time, request sent to reply checked
  uint8_t slave = 0;        // the request's slave address, whatever the reply says
  uint8_t attempt = 1;
  bool received = false;
  ExchangeOutcome outcome = ExchangeOutcome::Ok;

  bool failed() const { return outcome != ExchangeOutcome::Ok; }
  // The address the frame itself carries (a reply may come from another slave).
  uint8_t frameAddress() const { return bytes.isEmpty() ? slave : uint8_t(bytes[0]); }
  QString timeText() const;      // hh:mm:ss.zzz local time
  QString functionText() const;  // 3, 6, 16; an exception reply as 0x83
  QString valuesText() const;    // the registers carried, decimal; an exception as "код 2"
  QString hexText() const;       // "64 03 00 10 00 02 C6 3A"
  // time;TX|RX;address;function;first;count;values;bytes;result;attempt
  QString line() const;
};

// Turns ticks of the exchanging thread's clock into wall time: `originMs` is the wall time at
// tick `originTick`.
struct FrameTimeBase {
  qint64 originMs = 0;
  uint32_t originTick = 0;
  qint64 wallMs(uint32_t tick) const { return originMs + qint64(uint32_t(tick - originTick)); }
};

// The request and, when bytes came back, the reply of one exchange.
std::vector<BusFrame> framesOf(const ExchangeTrace& trace, const FrameTimeBase& time);
