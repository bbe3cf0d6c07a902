#include "link/LinkEntryCheck.h"

#include "core/Numbers.h"

namespace linkentry {

namespace {

bool isInteger(const QString& text) {
  int value = 0;
  return parseInteger(text, &value);
}

}  // namespace

std::optional<int> slaveAddress(const QString& text) {
  const std::optional<qint64> n = parseNumber(text, kMinAddress, kMaxAddress);
  if (!n) return std::nullopt;
  return int(*n);
}

QString moduleRefusal(const QString& address) {
  return slaveAddress(address) ? QString() : QStringLiteral("Некорректное значение адреса модуля");
}

QString programRefusal(const ProgramEntry& entry) {
  if (!slaveAddress(entry.address)) return QStringLiteral("Некорректное значение адреса модуля");
  // Send, Sleep and Receive come from mem.ini and cannot be edited here: a range test would
  // lock the dialog on a hand-edited file, and the link reads a negative one as 0.
  if (!isInteger(entry.send)) return QStringLiteral("Некорректное значение параметра Send");
  if (!isInteger(entry.sleep)) return QStringLiteral("Некорректное значение Sleep");
  if (!isInteger(entry.receive)) return QStringLiteral("Некорректное значение Receive");
  // The port takes the interval as an unsigned time-out; -1 would become its "no wait" value.
  if (!parseNumber(entry.readInterval, 0, INT32_MAX))
    return QStringLiteral("Некорректное значение ReadIntervalTimeout");
  return QString();
}

QString pollPeriodRefusal(const QString& text) {
  // A zero interval would wake the window thread without pause; a negative one stops the timer.
  return parseNumber(text, 1, INT32_MAX) ? QString()
                                         : QStringLiteral("Некорректное значение периода опроса");
}

}  // namespace linkentry
