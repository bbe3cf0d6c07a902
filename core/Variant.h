#pragma once

#include <QString>

// The product variant, chosen by the marker file trv102.txt in the working directory.
struct Variant {
  QString title;
  int maxFirmwareVersion;

  static Variant detect(const QString& directory);
};

// Access level given by the start-up password: 0 (none), 1 or 2.
int accessLevelForPassword(const QString& password);  // -1 when the password is wrong
