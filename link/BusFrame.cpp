#include "link/BusFrame.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>

namespace {

uint16_t wordAt(const QByteArray& b, int i) {
  return uint16_t(uint8_t(b[i]) << 8 | uint8_t(b[i + 1]));
}

// Registers from byte `from` on, at most `count`, never into the CRC.
QString wordsFrom(const QByteArray& b, int from, int count) {
  QStringList words;
  for (int i = 0; i < count && from + 2 * i + 2 <= b.size() - 2; ++i)
    words << QString::number(wordAt(b, from + 2 * i));
  return words.join(QLatin1Char(' '));
}

}  // namespace

QString outcomeName(ExchangeOutcome outcome) {
  switch (outcome) {
    case ExchangeOutcome::Ok:
      return QStringLiteral("успешно");
    case ExchangeOutcome::PortLost:
      return QStringLiteral("нет порта");
    case ExchangeOutcome::SendFailed:
      return QStringLiteral("не передано");
    case ExchangeOutcome::NoReply:
      return QStringLiteral("нет ответа");
    case ExchangeOutcome::WrongAddress:
      return QStringLiteral("чужой адрес");
    case ExchangeOutcome::Exception:
      return QStringLiteral("код ошибки");
    case ExchangeOutcome::BadCrc:
      return QStringLiteral("CRC");
    case ExchangeOutcome::WrongLength:
      return QStringLiteral("длина");
    case ExchangeOutcome::EchoDiffers:
      return QStringLiteral("эхо");
  }
  return QString();
}

QString BusFrame::timeText() const {
  return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString BusFrame::functionText() const {
  if (bytes.size() < 2) return QString();
  const uint8_t function = uint8_t(bytes[1]);
  if (function & 0x80) return QStringLiteral("0x") + QString::number(function, 16).toUpper();
  return QString::number(function);
}

QString BusFrame::valuesText() const {
  if (bytes.size() < 4) return QString();
  const uint8_t function = uint8_t(bytes[1]);
  if (function & 0x80) {
    // As the client's text has it.
    return QStringLiteral("код ") + QString::number(uint8_t(bytes[2]), 16).toUpper();
  }
  switch (function) {
    case 3:
      return received ? wordsFrom(bytes, 3, uint8_t(bytes[2]) / 2) : QString();
    case 6:
      return wordsFrom(bytes, 4, 1);
    case 16:
      return received || bytes.size() < 7 ? QString() : wordsFrom(bytes, 7, uint8_t(bytes[6]) / 2);
  }
  return QString();
}

QString BusFrame::hexText() const { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QString BusFrame::line() const {
  const QChar sep = QLatin1Char(';');
  return timeText() + sep + (received ? QStringLiteral("RX") : QStringLiteral("TX")) + sep +
         QString::number(frameAddress()) + sep + functionText() + sep + QString::number(first) +
         sep + QString::number(count) + sep + valuesText() + sep + hexText() + sep + result + sep +
         QString::number(attempt);
}

std::vector<BusFrame> framesOf(const ExchangeTrace& trace, const FrameTimeBase& time) {
  std::vector<BusFrame> frames;
  if (trace.requestLength < 2) return frames;
  BusFrame sent;
  sent.bytes = QByteArray(reinterpret_cast<const char*>(trace.request), trace.requestLength);
  sent.timeMs = time.wallMs(trace.startedAt);
  sent.result = trace.result ? *trace.result : QString();
  sent.slave = trace.request[0];
  if (trace.requestLength >= 6) {
    sent.first = wordAt(sent.bytes, 2);
    sent.count = trace.request[1] == 6 ? 1 : wordAt(sent.bytes, 4);
  }
  sent.exchangeMs = uint16_t(std::min<uint32_t>(trace.endedAt - trace.startedAt, 0xFFFF));
  sent.attempt = uint8_t(std::clamp(trace.attempt, 1, 255));
  sent.outcome = trace.outcome;
  frames.push_back(sent);
  if (trace.replyLength > 0) {
    BusFrame reply = sent;
    reply.bytes = QByteArray(reinterpret_cast<const char*>(trace.reply), trace.replyLength);
    reply.timeMs = time.wallMs(trace.endedAt);
    reply.received = true;
    frames.push_back(std::move(reply));
  }
  return frames;
}
