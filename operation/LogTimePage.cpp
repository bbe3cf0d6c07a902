#include "operation/LogTimePage.h"

LogTimePage::LogTimePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetLogTime"));
}
