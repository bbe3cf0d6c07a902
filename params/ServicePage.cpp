#include "params/ServicePage.h"

ServicePage::ServicePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetService"));
}
