#include <QCoreApplication>
#include <QTextStream>

#include "tools/CliTool.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  QStringList args = app.arguments();
  args.removeFirst();
  return CliTool(out, err).run(args);
}
