#include "core/Variant.h"

#include <QDir>
#include <QFileInfo>

Variant Variant::detect(const QString& directory) {
  if (QFileInfo::exists(QDir(directory).filePath(QStringLiteral("trv102.txt"))))
    return Variant{QStringLiteral("Morvex"), 209};
  return Variant{QStringLiteral("Tarvix"), 205};
}

int accessLevelForPassword(const QString& password) {
  if (password == QLatin1String("4898")) return 1;
  if (password == QLatin1String("8766")) return 2;
  return -1;
}
