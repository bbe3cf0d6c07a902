#include "app/AppContext.h"

#include <QDir>

#include "bench/BenchBus.h"
#include "link/LinkSettings.h"

AppContext::AppContext(const QString& directory, Prompter& prompter,
                       std::unique_ptr<SerialLine> line, Clock& clock)
    : BenchSession(directory, prompter, std::move(line), clock),
      prof(QDir(directory).filePath(QStringLiteral("prof.ini"))),
      frameRecorder(clock) {
  client().setFrameObserver(&frameRecorder);
  busMonitor.attach(frameRecorder);
  busMonitor.setAddressNames(busAddressNames());
}

QMap<uint8_t, QString> AppContext::busAddressNames() const {
  const BenchBus bench(benchContext());
  return {{LinkSettings(mem).moduleAddress(), QStringLiteral("модуль")},
          {bench.r16Address(), QStringLiteral("R16")},
          {bench.d8r4Address(), QStringLiteral("D8R4")}};
}
