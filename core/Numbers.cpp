#include "core/Numbers.h"

namespace {

// The number and whether it was written in hexadecimal; nothing for other text.
std::optional<qint64> parseWide(const QString& text, bool* hex) {
  const QString t = text.trimmed();
  *hex = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
  const QString digits = *hex ? t.mid(2) : t;
  // toLongLong takes a sign after 0x; the notation does not.
  if (*hex && (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))))
    return std::nullopt;
  bool ok = false;
  const qint64 value = digits.toLongLong(&ok, *hex ? 16 : 10);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

bool parseInteger(const QString& text, int* value) {
  bool hex = false;
  const std::optional<qint64> wide = parseWide(text, &hex);
  if (!wide) return false;
  if (hex) {
    if (*wide > 0xFFFFFFFFLL) return false;
    *value = static_cast<int>(static_cast<uint32_t>(*wide));
    return true;
  }
  if (*wide < INT32_MIN || *wide > INT32_MAX) return false;
  *value = int(*wide);
  return true;
}

std::optional<qint64> parseNumber(const QString& text, qint64 min, qint64 max) {
  bool hex = false;
  const std::optional<qint64> wide = parseWide(text, &hex);
  if (!wide || *wide < min || *wide > max) return std::nullopt;
  return wide;
}
