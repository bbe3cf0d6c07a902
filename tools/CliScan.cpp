#include "tools/CliScan.h"

#include <QElapsedTimer>
#include <atomic>

#include "core/Numbers.h"
#include "link/Session.h"
#include "tools/InterruptGuard.h"

namespace {

QString duration(uint32_t ms) {
  const uint32_t s = (ms + 999) / 1000;
  return s >= 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60)
                 : QStringLiteral("%1 s").arg(s);
}

}  // namespace

bool parseScanArguments(const QStringList& args, ScanPlan* plan, QString* why) {
  static const int kRates[] = {9600, 19200, 38400, 57600, 115200};
  for (int i = 0; i < args.size(); i += 2) {
    const QString& option = args[i];
    if (i + 1 >= args.size()) {
      *why = option + QStringLiteral(" needs a value");
      return false;
    }
    const QString& value = args[i + 1];
    if (option == QLatin1String("--addresses")) {
      const QStringList ends = value.split('-');
      const qint64 first = ends.size() == 2 ? parseNumber(ends[0], 1, 247).value_or(0) : 0;
      const qint64 last = ends.size() == 2 ? parseNumber(ends[1], 1, 247).value_or(0) : 0;
      if (first == 0 || last == 0 || first > last) {
        *why = QStringLiteral("--addresses needs A-B with 1 <= A <= B <= 247, not ") + value;
        return false;
      }
      plan->firstAddress = int(first);
      plan->lastAddress = int(last);
    } else if (option == QLatin1String("--speeds")) {
      plan->speeds.clear();
      for (const QString& text : value.split(',')) {
        const auto rate = parseNumber(text, 0, 1'000'000);
        const int* at =
            rate ? std::find(std::begin(kRates), std::end(kRates), int(*rate)) : std::end(kRates);
        if (at == std::end(kRates)) {
          *why = QStringLiteral("--speeds takes 9600, 19200, 38400, 57600 and 115200, not ") + text;
          return false;
        }
        const int index = int(at - std::begin(kRates));
        if (std::find(plan->speeds.begin(), plan->speeds.end(), index) == plan->speeds.end())
          plan->speeds.push_back(index);
      }
    } else {
      *why = QStringLiteral("wrong arguments for scan: ") + option;
      return false;
    }
  }
  return true;
}

QString scanLine(const FoundModule& m) {
  const QString firmware = m.firmware ? QString::number(*m.firmware) : QString();
  const QString revision = m.firmware ? QString::number(m.revision) : QString();
  return QStringLiteral("%1;%2;%3;%4;%5;%6")
      .arg(m.address)
      .arg(m.setting.baud())
      .arg(firmware, revision, m.setting.parityName())
      .arg(m.setting.stopBitCount());
}

int runCliScan(QTextStream& out, QTextStream& err, Session& session, const ScanPlan& plan) {
  std::atomic_bool going{true};
  InterruptGuard guard(going);
  int found = 0;
  QElapsedTimer timer;
  timer.start();
  ModuleScan::Listener listener;
  listener.setting = [&](const ScanSetting& s, int done, int total, uint32_t leftMs) {
    err << "scan: " << s.text() << ": tries " << done + 1 << '-' << done + plan.addressCount()
        << " of " << total << ", about " << duration(leftMs) << " left" << Qt::endl;
  };
  listener.found = [&](const FoundModule& m) {
    ++found;
    out << scanLine(m) << Qt::endl;
  };
  listener.refused = [&](const ScanSetting& s, const QString& why) {
    err << "scan: skipped " << s.text() << ": the port refused it (" << why << ')' << Qt::endl;
  };
  listener.addressesOnly = [&] {
    err << "scan: a serial device server's line settings are set in the box: trying the "
           "addresses only"
        << Qt::endl;
  };
  const ModuleScan::Outcome outcome =
      ModuleScan(session.link()).run(plan, listener, [&] { return !going.load(); });
  if (outcome == ModuleScan::Outcome::PortFailed) {
    err << QStringLiteral("Нет связи с портом") << Qt::endl;
    return 1;
  }
  err << "scan: " << (outcome == ModuleScan::Outcome::Stopped ? "stopped, " : "") << found
      << " found in " << duration(uint32_t(timer.elapsed())) << Qt::endl;
  return found > 0 ? 0 : 3;
}
