#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Integers as the program reads them everywhere: settings files, typed fields, command-line
// options and the simulator's console. Decimal with an optional sign, or hexadecimal after
// "0x"/"0X"; blanks around the number are ignored and a leading zero is still decimal ("010"
// is 10). Anything else is not a number.

// A 32-bit integer; hexadecimal takes all 32 bits and wraps as on Windows ("0xFFFFFFFF" is -1).
bool parseInteger(const QString& text, int* value);
// An integer within [min, max].
std::optional<qint64> parseNumber(const QString& text, qint64 min, qint64 max);
