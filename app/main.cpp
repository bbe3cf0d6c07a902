#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <exception>

#include "app/EnduranceRunHook.h"
#include "app/TForm1.h"
#include "app/TForm3.h"
#include "app/UiStallProbe.h"
#include "core/MessageBoxes.h"
#include "core/RussianInterface.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  installRussianInterface(app);
  UiStallProbe probe;
  if (qEnvironmentVariableIsSet(UiStallProbe::kEnvironmentVariable)) probe.start();
  try {
    // The settings files and the variant marker live in the working directory. The main
    // window comes first; the dialogs follow it and live until the end.
    TForm1 form1(QDir::currentPath());
    TForm3 form3;
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
