#include "params/MainPage.h"

MainPage::MainPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetMain"));
}
