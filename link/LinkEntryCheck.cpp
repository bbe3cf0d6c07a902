#include "link/LinkEntryCheck.h"

#include "core/Numbers.h"
#include "link/LinkKeys.h"

namespace linkentry {

namespace {

bool isInteger(const QString& text) {
  int value = 0;
  return parseInteger(text, &value);
}

}  // namespace

std::optional<int> slaveAddress(const QString& text) {
  const std::optional<qint64> n = parseNumber(text, linkkeys::kAddress.min, linkkeys::kAddress.max);
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
  if (!parseNumber(entry.readInterval, linkkeys::kReadInterval.min, linkkeys::kReadInterval.max))
    return QStringLiteral("Некорректное значение ReadIntervalTimeout");
  return QString();
}

QString pollPeriodRefusal(const QString& text) {
  return parseNumber(text, linkkeys::kPollPeriod.min, linkkeys::kPollPeriod.max)
             ? QString()
             : QStringLiteral("Некорректное значение периода опроса");
}

}  // namespace linkentry
