#include <gtest/gtest.h>

#include <QApplication>

#include "core/ui/RussianInterface.h"

// Window tests need an application object; they run on the offscreen platform.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  installRussianInterface(app);  // as the program does; the tests check the stock dialogs' texts
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
