#include <QGuiApplication>
#include <QTextStream>

#include "tools/CliTool.h"

int main(int argc, char** argv) {
  // The test's protocol is drawn as PDF, and fonts come with the GUI application; tarvix-cli
  // runs where no display is (a line's script, a remote shell): Qt's offscreen platform unless
  // another is asked for, then the system's own (Windows ships no offscreen plugin with us).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen;windows");
  QGuiApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  QStringList args = app.arguments();
  args.removeFirst();
  return CliTool(out, err).run(args);
}
