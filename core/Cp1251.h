#pragma once

#include <QByteArray>
#include <QString>

// Windows-1251 without ICU: a 128-entry table for the upper half of the code page.
namespace cp1251 {
QString decode(const QByteArray& bytes);
// Characters without a place in the code page become '?'.
QByteArray encode(const QString& text);
bool isValidUtf8(const QByteArray& bytes);
}  // namespace cp1251
