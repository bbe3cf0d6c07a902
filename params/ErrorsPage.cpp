#include "params/ErrorsPage.h"

ErrorsPage::ErrorsPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetFirm"));
}
