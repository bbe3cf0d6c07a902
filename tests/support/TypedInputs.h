#pragma once

#include <QString>
#include <optional>
#include <vector>

// What a user may type or paste into any field of the program, with the number it means where
// it is one (an int32 the program's notation reads).
struct TypedInput {
  const char* label;
  QString text;
  std::optional<qint64> number;

  // The number when it lies within [min, max].
  std::optional<qint64> within(qint64 min, qint64 max) const {
    if (number && *number >= min && *number <= max) return number;
    return std::nullopt;
  }
};

inline const std::vector<TypedInput>& typedInputs() {
  static const std::vector<TypedInput> inputs = {
      {"empty", QString(), std::nullopt},
      {"spaces", QStringLiteral("   "), std::nullopt},
      {"letters", QStringLiteral("abc"), std::nullopt},
      {"exponent", QStringLiteral("1e3"), std::nullopt},
      {"hex", QStringLiteral("0x10"), 16},
      {"minus one", QStringLiteral("-1"), -1},
      {"65535", QStringLiteral("65535"), 65535},
      {"65536", QStringLiteral("65536"), 65536},
      {"2^31", QStringLiteral("2147483648"), std::nullopt},  // beyond every int field
      {"40 digits", QString(40, QLatin1Char('9')), std::nullopt},
      {"Cyrillic", QStringLiteral("десять"), std::nullopt},
      {"10,000-character paste", QString(10000, QLatin1Char('7')), std::nullopt},
      {"paste with line breaks", QStringLiteral("5\n[connect]\r\nadr=0"), std::nullopt},
  };
  return inputs;
}
