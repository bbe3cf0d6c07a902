#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <exception>

#include "app/ui/EnduranceRunHook.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PasswordDialog.h"
#include "app/ui/UiStallProbe.h"
#include "core/ui/MessageBoxes.h"
#include "core/ui/RussianInterface.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  installRussianInterface(app);
  UiStallProbe probe;
  if (qEnvironmentVariableIsSet(UiStallProbe::kEnvironmentVariable)) probe.start();
  try {
    // The settings files and the variant marker live in the working directory. The main
    // window comes first; the dialogs follow it and live until the end.
    MainWindow form1(QDir::currentPath());
    PasswordDialog form3;
    form1.setAccessLevelSource([&form3] { return form3.askAccessLevel(); });
    EnduranceRunHook enduranceRun(form1);
    if (qEnvironmentVariableIsSet(EnduranceRunHook::kEnvironmentVariable)) enduranceRun.start();

    if (form1.restoreWindowState())
      form1.show();
    else
      form1.showMaximized();
    return app.exec();
  } catch (const std::exception& error) {
    showMessageBox(nullptr, QMessageBox::Critical, QStringLiteral("Tarvix"),
                   QString::fromLocal8Bit(error.what()));
    return 1;
  }
}
