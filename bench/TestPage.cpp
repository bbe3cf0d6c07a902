#include "bench/TestPage.h"

TestPage::TestPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetTest"));
}
