#pragma once

#include <QString>
#include <limits>

// One key of an INI store: its section, its name, its default as the file would hold it, and
// for a number the range it takes. Each key is written once, in the table of the layer that
// owns it (link/LinkKeys.h, operation/OperationKeys.h, bench/BenchKeys.h, ...); the window,
// the dialogs, the worker and tarvix-cli all read and write it through that entry.
struct SettingKey {
  const char* section;
  const char* key;
  const char* defaultText;
  int min = std::numeric_limits<int>::min();
  int max = std::numeric_limits<int>::max();

  int defaultValue() const { return QString::fromLatin1(defaultText).toInt(nullptr, 0); }
  bool accepts(qint64 value) const { return value >= min && value <= max; }
};
